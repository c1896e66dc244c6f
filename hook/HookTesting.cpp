#include "HookTesting.h"

#include "HookCore.h"
#include "HookInstaller.h"
#include "HookMonitor.h"
#include "HookSharedState.h"

namespace HookTesting {

void SetClock(ClockMs clock, void* context)
{
    HookCore::SetClock(clock, context);
}

void SetCommandSink(CommandSink sink, void* context)
{
    HookCore::SetCommandSink(sink, context);
}

void Attach()
{
    HookSharedState::Reattach();
    HookCore::ResetKeyState();
}

void ResetKeyState()
{
    HookCore::ResetKeyState();
}

bool IsShared()
{
    return HookSharedState::IsShared();
}

int32_t KeyboardHandle()
{
    return HookSharedState::Block().keyboardHandle.load();
}

int32_t MouseHandle()
{
    return HookSharedState::Block().mouseHandle.load();
}

bool HooksInstalled()
{
    const HookSharedBlock& block = HookSharedState::Block();
    const uint32_t start = block.ownerStartTime.load();
    return HookInstaller::EffectiveHandle(block.keyboardHandle.load(), start) != 0
        && HookInstaller::EffectiveHandle(block.mouseHandle.load(), start) != 0;
}

bool MonitorRunning()
{
    return HookMonitor::Instance().IsRunning();
}

bool MonitorConnected()
{
    return HookMonitor::Instance().IsConnected();
}

pid_t MonitorThreadId()
{
    return HookMonitor::Instance().ThreadId();
}

} // namespace HookTesting
