#pragma once
#include <cstdint>
#include <sys/types.h>

/// Installs and removes the hooks of a session: claims the shared hook
/// handles for this process and runs its input monitor. A handle names
/// the owning process; one whose process is gone counts as 0, so a
/// controller started again after a crash installs its monitor again.
class HookInstaller {
public:
    /// InstallHooks: refreshes the last keystroke time; installs unless a
    /// live process already holds both handles.
    static void Install();
    /// RemoveHooks: stops this process's monitor and clears its handles.
    /// Handles of another live process are left alone (its monitor keeps
    /// running there); handles of a dead process are cleared.
    static void Remove();

    /// A stored handle as it counts: 0 when its process is gone.
    static int32_t EffectiveHandle(int32_t handle, uint32_t ownerStartTime);
    /// Start time of a process in clock ticks since boot (low 32 bits); 0
    /// when unknown. Tells a live owner from a reused process id.
    static uint32_t ProcessStartTime(pid_t pid);
};
