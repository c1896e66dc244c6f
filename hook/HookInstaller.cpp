#include "HookInstaller.h"

#include "HookCore.h"
#include "HookLog.h"
#include "HookMonitor.h"
#include "HookSharedState.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

// Reads /proc/<pid>/stat: state and start time (fields 3 and 22).
bool ReadProcessStat(pid_t pid, char* state, uint64_t* startTime)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[1024];
    ssize_t length = read(fd, buffer, sizeof buffer - 1);
    close(fd);
    if (length <= 0)
        return false;
    buffer[length] = '\0';
    // The command name may hold spaces and parentheses: fields resume after the last ')'.
    const char* cursor = std::strrchr(buffer, ')');
    if (!cursor)
        return false;
    unsigned long long start = 0;
    char processState = 0;
    // After ')': state ppid pgrp session tty_nr tpgid flags minflt cminflt
    // majflt cmajflt utime stime cutime cstime priority nice num_threads
    // itrealvalue starttime
    if (std::sscanf(cursor + 1,
                    " %c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
                    &processState, &start)
        != 2)
        return false;
    *state = processState;
    *startTime = start;
    return true;
}

bool OwnedByThisProcess(const HookSharedBlock& block)
{
    const int32_t self = static_cast<int32_t>(getpid());
    return (block.keyboardHandle.load() == self || block.mouseHandle.load() == self)
        && block.ownerStartTime.load() == HookInstaller::ProcessStartTime(getpid());
}

void ClearHandles(HookSharedBlock& block)
{
    block.keyboardHandle.store(0);
    block.mouseHandle.store(0);
    block.ownerStartTime.store(0);
}

// The session's block with its lock held, or, when the lock cannot be had,
// this process's own block from now on (which needs no lock).
HookSharedBlock& BlockUnderLock(std::optional<HookSharedState::InstallLock>& lock)
{
    if (HookSharedState::IsShared()) {
        lock.emplace();
        if (!lock->Held())
            HookSharedState::FallBackToPrivate(lock->Problem());
    }
    return HookSharedState::Block();
}

// Leaves the handles clean when a process that installed them exits
// without RemoveHooks. Created after the monitor, so destroyed before it.
struct ExitGuard {
    ~ExitGuard() { HookInstaller::Remove(); }
};

} // namespace

uint32_t HookInstaller::ProcessStartTime(pid_t pid)
{
    char state = 0;
    uint64_t start = 0;
    if (!ReadProcessStat(pid, &state, &start))
        return 0;
    return static_cast<uint32_t>(start);
}

int32_t HookInstaller::EffectiveHandle(int32_t handle, uint32_t ownerStartTime)
{
    if (handle <= 0)
        return 0;
    if (kill(handle, 0) != 0 && errno != EPERM)
        return 0;
    char state = 0;
    uint64_t start = 0;
    if (ReadProcessStat(handle, &state, &start)) {
        if (state == 'Z' || state == 'X')
            return 0; // killed, not yet reaped
        if (ownerStartTime != 0 && static_cast<uint32_t>(start) != ownerStartTime)
            return 0; // the id now names another process
    }
    return handle;
}

void HookInstaller::Install()
{
    HookSharedState::Block().lastKeystrokeTime.store(HookCore::NowSeconds());

    // Claim the handles under the lock, then start the monitor without it:
    // connecting can wait on the X server, and every other process of the
    // session takes the same lock.
    {
        std::optional<HookSharedState::InstallLock> lock;
        HookSharedBlock& block = BlockUnderLock(lock);
        const uint32_t ownerStart = block.ownerStartTime.load();
        if (EffectiveHandle(block.keyboardHandle.load(), ownerStart) != 0
            && EffectiveHandle(block.mouseHandle.load(), ownerStart) != 0)
            return;
        const int32_t self = static_cast<int32_t>(getpid());
        block.ownerStartTime.store(ProcessStartTime(getpid()));
        block.keyboardHandle.store(self);
        block.mouseHandle.store(self);
    }

    // Sender and monitor in this order: statics die in reverse, so the
    // monitor stops before the sender it feeds goes away.
    HookCore::PrepareCommandSender();
    HookMonitor& monitor = HookMonitor::Instance();
    static ExitGuard exitGuard;
    if (monitor.Start())
        return;
    {
        std::optional<HookSharedState::InstallLock> lock;
        HookSharedBlock& block = BlockUnderLock(lock);
        if (OwnedByThisProcess(block))
            ClearHandles(block);
    }
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
        qCWarning(lcHook, "no X server to watch: keystrokes and clicks are not counted");
}

void HookInstaller::Remove()
{
    {
        // Counting is over here, so a lock that cannot be had is no reason
        // to count alone: this process's own handles are cleared anyway.
        std::optional<HookSharedState::InstallLock> lock;
        if (HookSharedState::IsShared())
            lock.emplace();
        HookSharedBlock& block = HookSharedState::Block();
        if (OwnedByThisProcess(block)) {
            ClearHandles(block);
        } else if (!lock || lock->Held()) {
            const uint32_t ownerStart = block.ownerStartTime.load();
            if (EffectiveHandle(block.keyboardHandle.load(), ownerStart) == 0)
                block.keyboardHandle.store(0);
            if (EffectiveHandle(block.mouseHandle.load(), ownerStart) == 0)
                block.mouseHandle.store(0);
        }
    }
    // Stopped after the handles are given up (another process may install
    // at once) and without the lock: a monitor stuck on a frozen X server
    // is waited for a short bound only. A monitor of this process has no
    // business running once the handles are not its own.
    HookMonitor::Instance().Stop();
}
