#pragma once

/// The activity hook library: system-wide keystroke and click counters,
/// the times of the last input and the user's hot key, shared by every
/// process of the session. The controller installs the hooks; any program
/// reads the counters and arms or sets the hot key.

#if defined(OVANTIS_HOOK_BUILDING)
#define OVANTIS_HOOK_API __attribute__((visibility("default")))
#else
#define OVANTIS_HOOK_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/// Sets the last keystroke time to now; unless the hooks are installed (by
/// a live process of this session), starts this process's input monitor.
/// Without an X server nothing is installed and a later call tries again.
OVANTIS_HOOK_API void InstallHooks(void);
/// Stops this process's input monitor, if it owns the installed hooks.
OVANTIS_HOOK_API void RemoveHooks(void);
/// The keyboard hook procedure: wParam the virtual-key code, lParam the
/// keystroke flags (bit 31 set for a release). Returns 0.
OVANTIS_HOOK_API long KeyboardProc(int code, unsigned wParam, long lParam);
/// The mouse hook procedure: wParam the mouse message id. Returns 0.
OVANTIS_HOOK_API long MouseProc(int code, unsigned wParam, long lParam);
/// Keystrokes counted since the count was last set.
OVANTIS_HOOK_API int GetKeyClicks(void);
/// Mouse button presses counted since the count was last set.
OVANTIS_HOOK_API int GetMouseClicks(void);
/// Sets the keystroke count; returns 1.
OVANTIS_HOOK_API int SetKeyCount(int count);
/// Sets the click count; returns 1.
OVANTIS_HOOK_API int SetMouseCount(int count);
/// Whole seconds since boot at the last counted key release.
OVANTIS_HOOK_API long GetLastKeystrokeTime(void);
/// Whole seconds since boot at the last mouse event of any kind; 0 before the first.
OVANTIS_HOOK_API long GetLastMouseTime(void);
/// Arms (nonzero) or disarms (0) the hot key; the value is kept as given.
OVANTIS_HOOK_API void EnableHotKey(int enable);
/// Sets the hot key: which modifiers it needs (any nonzero value means
/// needed) and the virtual-key code of its main key. Returns 1.
OVANTIS_HOOK_API int SetHotKey(int alt, int ctrl, int shift, int virtualKey);
/// Returns 1 when the hot key fired since the last call, and clears that.
OVANTIS_HOOK_API int WasHotKeyPressed(void);

#ifdef __cplusplus
}
#endif
