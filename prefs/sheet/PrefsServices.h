#pragma once
#include <functional>

/// What the sheet and its pages ask of the rest of the system: the
/// controller broadcast and the hook library's hot key. The defaults post
/// on the session bus and call the hook library; tests record instead.
struct PrefsServices {
    std::function<void(unsigned code, int lParam)> postToCtrl;
    std::function<void(int enable)> enableHotKey;
    std::function<void(int alt, int ctrl, int shift, int virtualKey)> setHotKey;

    static PrefsServices System();
};
