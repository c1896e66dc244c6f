#pragma once
#include <cstdint>
#include <sys/types.h>

/// What tests need beyond the library's exports: an injected clock, a
/// recorder for the hot key command, a fresh shared block for a fresh
/// runtime directory, and a look at the handles and the monitor. Only the
/// test library OvantisHookTesting carries this; the shared library does
/// not export it.
namespace HookTesting {

using ClockMs = uint64_t (*)(void* context);
using CommandSink = void (*)(uint32_t commandId, void* context);

/// Clock for the hook procedures (null: the boot-time clock).
void SetClock(ClockMs clock, void* context);
/// Where a fired hot key's command goes (null: the session bus).
void SetCommandSink(CommandSink sink, void* context);
/// Maps the shared block of the current XDG_RUNTIME_DIR and forgets the
/// keys this process saw held.
void Attach();
/// Forgets which keys are held.
void ResetKeyState();
/// True when the block is the session's file (not the private fallback).
bool IsShared();

/// The stored handles and whether they count (their process is alive).
int32_t KeyboardHandle();
int32_t MouseHandle();
bool HooksInstalled();

bool MonitorRunning();
bool MonitorConnected();
pid_t MonitorThreadId();

} // namespace HookTesting
