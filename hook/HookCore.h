#pragma once
#include <cstdint>

/// Windows message ids and hook codes the hook procedures speak.
namespace HookMessage {
inline constexpr int kHcAction = 0;
inline constexpr int kHcNoRemove = 3;
inline constexpr unsigned kMouseMove = 0x0200;
inline constexpr unsigned kLButtonDown = 0x0201;
inline constexpr unsigned kLButtonUp = 0x0202;
inline constexpr unsigned kLButtonDblClk = 0x0203;
inline constexpr unsigned kRButtonDown = 0x0204;
inline constexpr unsigned kRButtonUp = 0x0205;
inline constexpr unsigned kRButtonDblClk = 0x0206;
inline constexpr unsigned kMButtonDown = 0x0207;
inline constexpr unsigned kMButtonUp = 0x0208;
inline constexpr unsigned kMButtonDblClk = 0x0209;
inline constexpr unsigned kMouseWheel = 0x020A;
inline constexpr unsigned kXButtonDown = 0x020B;
inline constexpr unsigned kXButtonUp = 0x020C;
inline constexpr unsigned kMouseHWheel = 0x020E;
/// The controller's "Stretch Now" command, sent when the hot key fires.
inline constexpr uint32_t kStretchNowCommand = 1500;
} // namespace HookMessage

/// The keystroke flags (lParam) of KeyboardProc: bits 0-15 repeat count,
/// bits 16-23 the key's X keycode (the scan code on the original platform),
/// bit 30 the key was down before, bit 31 the key is being released.
namespace KeyFlags {
inline constexpr long kPreviousDown = 1L << 30;
inline constexpr long kReleased = 1L << 31;
inline constexpr int kScanCodeShift = 16;

/// The lParam for a press or release of the key with this keycode.
constexpr long Make(uint8_t keycode, bool released, bool previousDown)
{
    return 1L | (static_cast<long>(keycode) << kScanCodeShift) | (previousDown ? kPreviousDown : 0L)
        | (released ? kReleased : 0L);
}
} // namespace KeyFlags

/// The hook procedures and the process-local state around them: the clock,
/// where a fired hot key goes, and which keys this process has seen held.
/// The counters, times and hot key settings themselves live in the
/// session's HookSharedBlock.
class HookCore {
public:
    using ClockMs = uint64_t (*)(void* context);
    using CommandSink = void (*)(uint32_t commandId, void* context);

    /// Counts a release, updates the last keystroke time and runs the hot
    /// key test; a press only marks the key held (for the modifiers of the
    /// hot key test). No allocation, no I/O, no waiting.
    static long KeyboardProc(int code, unsigned wParam, long lParam);
    /// Updates the last mouse time and counts button presses.
    static long MouseProc(int code, unsigned wParam, long lParam);

    /// Whole seconds of the injected clock, or of CLOCK_BOOTTIME (counts
    /// suspend, never wraps in practice: 32 bits of seconds last 136 years).
    static uint32_t NowSeconds();

    /// Replaces the clock (null: the boot-time clock again).
    static void SetClock(ClockMs clock, void* context);
    /// Replaces where a fired hot key sends its command (null: the session
    /// bus, Command(1500) to the controller).
    static void SetCommandSink(CommandSink sink, void* context);
    /// Starts the session bus sender ahead of the first hot key, so that
    /// firing never creates a thread.
    static void PrepareCommandSender();

    /// Forgets which keys are held (the input source was lost and came back).
    static void ResetKeyState();
    /// The modifiers currently held, as VirtualKeyTable::Modifier bits.
    static uint8_t HeldModifiers();
};
