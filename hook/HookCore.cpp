#include "HookCore.h"

#include "BusCommandSender.h"
#include "BusNames.h"
#include "HookSharedState.h"
#include "VirtualKeyTable.h"

#include <array>
#include <atomic>
#include <ctime>

namespace {

uint64_t BootTimeMs(void*)
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1'000'000u;
}

BusCommandSender& SessionBusSender()
{
    static BusCommandSender sender(BusNames::kControllerService);
    return sender;
}

void SendOnSessionBus(uint32_t commandId, void*)
{
    BusCommandSender& sender = SessionBusSender();
    sender.Start(); // already running unless nobody installed the hooks here
    sender.Post(commandId);
}

std::atomic<HookCore::ClockMs> s_clock{&BootTimeMs};
std::atomic<void*> s_clockContext{nullptr};
std::atomic<HookCore::CommandSink> s_sink{&SendOnSessionBus};
std::atomic<void*> s_sinkContext{nullptr};

// Keys this process has seen pressed, by keycode: 0 up, otherwise kHeld
// plus the key's modifier bits. Written by the thread that feeds the
// procedures (the monitor); relaxed atomics keep a stray reader harmless.
constexpr uint8_t kHeld = 0x80;
std::array<std::atomic<uint8_t>, 256> s_keys{};
// How many held keys stand for Shift, Ctrl and Alt.
std::atomic<int> s_shiftHeld{0};
std::atomic<int> s_controlHeld{0};
std::atomic<int> s_altHeld{0};

std::atomic<int>* HeldCounter(uint8_t modifier)
{
    switch (modifier) {
    case VirtualKeyTable::kShiftModifier:
        return &s_shiftHeld;
    case VirtualKeyTable::kControlModifier:
        return &s_controlHeld;
    case VirtualKeyTable::kAltModifier:
        return &s_altHeld;
    default:
        return nullptr;
    }
}

bool IsCountedClick(unsigned message)
{
    switch (message) {
    case HookMessage::kLButtonDown:
    case HookMessage::kLButtonDblClk:
    case HookMessage::kRButtonDown:
    case HookMessage::kRButtonDblClk:
    case HookMessage::kMButtonDown:
    case HookMessage::kMButtonDblClk:
        return true;
    default:
        return false;
    }
}

// Exact match: every modifier the hot key needs is held and no other one.
bool HotKeyMatches(const HookSharedBlock& block, unsigned virtualKey, uint8_t held)
{
    if (static_cast<int32_t>(virtualKey) != block.hotKeyVirtualKey.load(std::memory_order_relaxed))
        return false;
    const bool shift = (held & VirtualKeyTable::kShiftModifier) != 0;
    const bool control = (held & VirtualKeyTable::kControlModifier) != 0;
    const bool alt = (held & VirtualKeyTable::kAltModifier) != 0;
    return shift == (block.hotKeyNeedsShift.load(std::memory_order_relaxed) != 0)
        && control == (block.hotKeyNeedsCtrl.load(std::memory_order_relaxed) != 0)
        && alt == (block.hotKeyNeedsAlt.load(std::memory_order_relaxed) != 0);
}

} // namespace

uint32_t HookCore::NowSeconds()
{
    ClockMs clock = s_clock.load(std::memory_order_relaxed);
    return static_cast<uint32_t>(clock(s_clockContext.load(std::memory_order_relaxed)) / 1000u);
}

void HookCore::SetClock(ClockMs clock, void* context)
{
    s_clockContext.store(context);
    s_clock.store(clock ? clock : &BootTimeMs);
}

void HookCore::SetCommandSink(CommandSink sink, void* context)
{
    s_sinkContext.store(context);
    s_sink.store(sink ? sink : &SendOnSessionBus);
}

void HookCore::PrepareCommandSender()
{
    SessionBusSender().Start();
}

void HookCore::ResetKeyState()
{
    for (auto& key : s_keys)
        key.store(0, std::memory_order_relaxed);
    s_shiftHeld.store(0);
    s_controlHeld.store(0);
    s_altHeld.store(0);
}

uint8_t HookCore::HeldModifiers()
{
    uint8_t held = 0;
    if (s_shiftHeld.load(std::memory_order_relaxed) > 0)
        held |= VirtualKeyTable::kShiftModifier;
    if (s_controlHeld.load(std::memory_order_relaxed) > 0)
        held |= VirtualKeyTable::kControlModifier;
    if (s_altHeld.load(std::memory_order_relaxed) > 0)
        held |= VirtualKeyTable::kAltModifier;
    return held;
}

long HookCore::KeyboardProc(int code, unsigned wParam, long lParam)
{
    if (code != HookMessage::kHcAction)
        return 0;
    const uint8_t keycode = static_cast<uint8_t>(lParam >> KeyFlags::kScanCodeShift);
    std::atomic<uint8_t>& key = s_keys[keycode];

    if ((lParam & KeyFlags::kReleased) == 0) {
        // A press of a key already held is an auto-repeat: nothing to do.
        if (key.load(std::memory_order_relaxed) != 0)
            return 0;
        const uint8_t modifier = VirtualKeyTable::ModifierOf(static_cast<uint8_t>(wParam));
        key.store(kHeld | modifier, std::memory_order_relaxed);
        if (std::atomic<int>* counter = HeldCounter(modifier))
            counter->fetch_add(1, std::memory_order_relaxed);
        return 0;
    }

    // Every release counts, also of a key not seen going down here; the
    // input source decides which releases are keystrokes.
    const uint8_t state = key.exchange(0, std::memory_order_relaxed);
    // Modifiers as they were while the key was still down.
    const uint8_t held = HeldModifiers();
    if (state != 0) {
        if (std::atomic<int>* counter = HeldCounter(state & ~kHeld))
            counter->fetch_sub(1, std::memory_order_relaxed);
    }

    HookSharedBlock& block = HookSharedState::Block();
    block.lastKeystrokeTime.store(NowSeconds(), std::memory_order_relaxed);
    block.keyCount.fetch_add(1, std::memory_order_relaxed);

    if (block.hotKeyEnabled.load(std::memory_order_relaxed) != 0 && HotKeyMatches(block, wParam, held)) {
        // Only one process or thread may fire for one arming.
        if (block.hotKeyEnabled.exchange(0) != 0) {
            s_sink.load()(HookMessage::kStretchNowCommand, s_sinkContext.load());
            block.hotKeyPressed.store(1);
        }
    }
    return 0;
}

long HookCore::MouseProc(int code, unsigned wParam, long /*lParam*/)
{
    if (code != HookMessage::kHcAction)
        return 0;
    HookSharedBlock& block = HookSharedState::Block();
    block.lastMouseTime.store(NowSeconds(), std::memory_order_relaxed);
    if (IsCountedClick(wParam))
        block.clickCount.fetch_add(1, std::memory_order_relaxed);
    return 0;
}
