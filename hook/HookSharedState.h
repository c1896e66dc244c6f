#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

/// The state every process of one session shares: a fixed block of 32-bit
/// atomics in $XDG_RUNTIME_DIR/OvantisHook-v<kLayoutVersion>.shm. The
/// layout never changes within a version; a change of layout takes a new
/// version number and so a new file.
struct HookSharedBlock {
    static constexpr uint32_t kMagic = 0x4b48564f; // "OVHK"
    static constexpr uint32_t kLayoutVersion = 1;

    std::atomic<uint32_t> magic;
    std::atomic<uint32_t> layoutVersion;
    std::atomic<uint32_t> blockSize;
    /// Process id of the process whose monitor feeds the hooks; 0 when none.
    std::atomic<int32_t> keyboardHandle;
    std::atomic<int32_t> mouseHandle;
    /// Start time (low 32 bits of clock ticks since boot) of that process,
    /// so a reused process id is not taken for the owner.
    std::atomic<uint32_t> ownerStartTime;
    std::atomic<int32_t> keyCount;
    std::atomic<int32_t> clickCount;
    /// Whole seconds of the boot-time clock.
    std::atomic<uint32_t> lastKeystrokeTime;
    std::atomic<uint32_t> lastMouseTime;
    std::atomic<int32_t> hotKeyEnabled;
    std::atomic<int32_t> hotKeyVirtualKey;
    std::atomic<int32_t> hotKeyNeedsAlt;
    std::atomic<int32_t> hotKeyNeedsCtrl;
    std::atomic<int32_t> hotKeyNeedsShift;
    std::atomic<int32_t> hotKeyPressed;
};

static_assert(std::atomic<int32_t>::is_always_lock_free && std::atomic<uint32_t>::is_always_lock_free,
              "shared counters must be lock-free to work across processes");
static_assert(sizeof(std::atomic<int32_t>) == 4 && sizeof(std::atomic<uint32_t>) == 4);
static_assert(std::is_standard_layout_v<HookSharedBlock>);
static_assert(sizeof(HookSharedBlock) == 64, "the file layout is fixed");
static_assert(offsetof(HookSharedBlock, keyCount) == 24 && offsetof(HookSharedBlock, hotKeyPressed) == 60);

/// Finds or creates the shared block of this session and maps it.
class HookSharedState {
public:
    /// The block of this process's session; attaches on first use. When the
    /// session has no usable runtime directory (missing, not the user's own,
    /// writable by others) or its lock cannot be had, the block is private to
    /// this process (counting still works, only sharing is lost).
    static HookSharedBlock& Block()
    {
        HookSharedBlock* block = s_block.load(std::memory_order_acquire);
        return block ? *block : AttachSlow();
    }

    /// Attaches again from the current environment (tests switch runtime
    /// directories between cases). Earlier mappings stay valid.
    static HookSharedBlock& Reattach();

    /// True when Block() is the session's file, false for the private fallback.
    static bool IsShared();

    /// Path of the shared file for the current environment; empty when
    /// XDG_RUNTIME_DIR is unset or not absolute.
    static std::string FilePath();
    /// The lock file that serialises creation and hook installation.
    static std::string LockPath();

    /// Holds the session's install lock (an exclusive flock) while alive.
    /// Only this user's own private lock file is used, and another process
    /// holding it is waited for a short bound at most.
    class InstallLock {
    public:
        InstallLock();
        ~InstallLock();
        InstallLock(const InstallLock&) = delete;
        InstallLock& operator=(const InstallLock&) = delete;

        bool Held() const { return m_fd >= 0; }
        /// Why the lock is not held; null when it is.
        const char* Problem() const { return m_problem; }

    private:
        int m_fd = -1;
        const char* m_problem = nullptr;
    };

    /// From now on this process counts on its own (the session's lock
    /// cannot be had); says why, once.
    static void FallBackToPrivate(const char* why);

private:
    static HookSharedBlock& AttachSlow();
    static inline std::atomic<HookSharedBlock*> s_block{nullptr};
};
