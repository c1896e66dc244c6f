#include "OvantisHook.h"

#include "HookCore.h"
#include "HookInstaller.h"
#include "HookSharedState.h"

extern "C" {

void InstallHooks(void)
{
    HookInstaller::Install();
}

void RemoveHooks(void)
{
    HookInstaller::Remove();
}

long KeyboardProc(int code, unsigned wParam, long lParam)
{
    return HookCore::KeyboardProc(code, wParam, lParam);
}

long MouseProc(int code, unsigned wParam, long lParam)
{
    return HookCore::MouseProc(code, wParam, lParam);
}

int GetKeyClicks(void)
{
    return HookSharedState::Block().keyCount.load();
}

int GetMouseClicks(void)
{
    return HookSharedState::Block().clickCount.load();
}

int SetKeyCount(int count)
{
    HookSharedState::Block().keyCount.store(count);
    return 1;
}

int SetMouseCount(int count)
{
    HookSharedState::Block().clickCount.store(count);
    return 1;
}

long GetLastKeystrokeTime(void)
{
    return static_cast<long>(HookSharedState::Block().lastKeystrokeTime.load());
}

long GetLastMouseTime(void)
{
    return static_cast<long>(HookSharedState::Block().lastMouseTime.load());
}

void EnableHotKey(int enable)
{
    HookSharedState::Block().hotKeyEnabled.store(enable);
}

int SetHotKey(int alt, int ctrl, int shift, int virtualKey)
{
    HookSharedBlock& block = HookSharedState::Block();
    block.hotKeyNeedsAlt.store(alt != 0);
    block.hotKeyNeedsCtrl.store(ctrl != 0);
    block.hotKeyNeedsShift.store(shift != 0);
    block.hotKeyVirtualKey.store(virtualKey);
    return 1;
}

int WasHotKeyPressed(void)
{
    return HookSharedState::Block().hotKeyPressed.exchange(0);
}

} // extern "C"
