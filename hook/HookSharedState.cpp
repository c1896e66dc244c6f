#include "HookSharedState.h"

#include "HookLog.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr off_t kFileSize = sizeof(HookSharedBlock);
// Holders keep the lock for a few memory stores; one that keeps it longer
// is hung, or not one of ours.
constexpr int kLockWaitMs = 2000;
constexpr int kLockRetryMs = 10;

std::mutex s_attachMutex;
std::atomic<bool> s_shared{false};

std::string RuntimeDir()
{
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (!dir || dir[0] != '/')
        return {};
    return dir;
}

// Another user could plant the lock or the counter file in a directory
// they can write to, and so hang or feed every process of this user.
const char* RuntimeDirProblem(const std::string& dir)
{
    struct stat info {};
    if (stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return "XDG_RUNTIME_DIR is not a directory";
    if (info.st_uid != geteuid())
        return "XDG_RUNTIME_DIR belongs to another user";
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "others can write to XDG_RUNTIME_DIR";
    return nullptr;
}

void WarnCountingAlone(const char* why)
{
    qCWarning(lcHook, "%s; keystrokes and clicks are counted for this process only", why);
}

// A block that lives only in this process, for sessions without a runtime directory.
HookSharedBlock& PrivateBlock()
{
    static HookSharedBlock block{};
    return block;
}

void Initialise(HookSharedBlock& block)
{
    // Everything zero first, the magic last: a reader that sees the magic
    // sees a complete header.
    std::memset(static_cast<void*>(&block), 0, sizeof block);
    block.layoutVersion.store(HookSharedBlock::kLayoutVersion);
    block.blockSize.store(sizeof block);
    block.magic.store(HookSharedBlock::kMagic, std::memory_order_release);
}

bool HeaderValid(const HookSharedBlock& block)
{
    return block.magic.load(std::memory_order_acquire) == HookSharedBlock::kMagic
        && block.layoutVersion.load() == HookSharedBlock::kLayoutVersion
        && block.blockSize.load() == sizeof(HookSharedBlock);
}

HookSharedBlock* MapFile(int fd)
{
    void* address = mmap(nullptr, sizeof(HookSharedBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return address == MAP_FAILED ? nullptr : static_cast<HookSharedBlock*>(address);
}

// Creates the file; caller holds the install lock.
HookSharedBlock* CreateFile(const std::string& path)
{
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return nullptr;
    HookSharedBlock* block = nullptr;
    if (ftruncate(fd, kFileSize) == 0)
        block = MapFile(fd);
    close(fd);
    if (!block) {
        unlink(path.c_str());
        return nullptr;
    }
    Initialise(*block);
    return block;
}

// Opens and maps the session's file, creating it when missing and replacing
// it when it is plainly damaged (wrong size). Caller holds the install lock.
HookSharedBlock* OpenShared(const std::string& path)
{
    if (HookSharedBlock* created = CreateFile(path))
        return created;
    if (errno != EEXIST)
        return nullptr;
    int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()) {
        close(fd);
        return nullptr;
    }
    if (info.st_size != kFileSize) {
        // Never map a file of the wrong size: touching past its end would
        // kill the process. A fresh file under the lock is safe.
        close(fd);
        qCWarning(lcHook, "replacing the shared counter file, it has the wrong size");
        if (unlink(path.c_str()) != 0)
            return nullptr;
        return CreateFile(path);
    }
    if ((info.st_mode & 077) != 0)
        fchmod(fd, 0600);
    HookSharedBlock* block = MapFile(fd);
    close(fd);
    if (block && !HeaderValid(*block))
        Initialise(*block); // created by a process that died before finishing
    return block;
}

} // namespace

std::string HookSharedState::FilePath()
{
    std::string dir = RuntimeDir();
    if (dir.empty())
        return {};
    return dir + "/OvantisHook-v" + std::to_string(HookSharedBlock::kLayoutVersion) + ".shm";
}

std::string HookSharedState::LockPath()
{
    std::string dir = RuntimeDir();
    if (dir.empty())
        return {};
    return dir + "/OvantisHook-v" + std::to_string(HookSharedBlock::kLayoutVersion) + ".lock";
}

HookSharedState::InstallLock::InstallLock()
{
    const std::string path = LockPath();
    if (path.empty()) {
        m_problem = "there is no XDG_RUNTIME_DIR";
        return;
    }
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        m_problem = "the lock file in XDG_RUNTIME_DIR cannot be opened";
        return;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()) {
        close(fd);
        m_problem = "the lock file in XDG_RUNTIME_DIR is not this user's own file";
        return;
    }
    if ((info.st_mode & 077) != 0)
        fchmod(fd, 0600);
    for (int waited = 0;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return;
        }
        if (errno != EINTR && errno != EWOULDBLOCK)
            break;
        if (errno == EWOULDBLOCK) {
            if (waited >= kLockWaitMs)
                break;
            usleep(kLockRetryMs * 1000);
            waited += kLockRetryMs;
        }
    }
    close(fd);
    m_problem = "another process holds the lock file in XDG_RUNTIME_DIR and does not let go";
}

HookSharedState::InstallLock::~InstallLock()
{
    if (m_fd >= 0)
        close(m_fd); // releases the flock
}

// Maps the session's block (or the private one); s_attachMutex is held.
static HookSharedBlock& AttachLocked(std::atomic<HookSharedBlock*>& slot)
{
    HookSharedBlock* block = nullptr;
    const char* problem = nullptr;
    const std::string path = HookSharedState::FilePath();
    if (path.empty())
        problem = "there is no XDG_RUNTIME_DIR";
    else
        problem = RuntimeDirProblem(RuntimeDir());
    if (!problem) {
        HookSharedState::InstallLock lock;
        problem = lock.Problem();
        if (!problem) {
            block = OpenShared(path);
            if (!block)
                problem = "the shared counter file in XDG_RUNTIME_DIR cannot be used";
        }
    }
    s_shared.store(block != nullptr);
    if (!block) {
        WarnCountingAlone(problem);
        block = &PrivateBlock();
        if (!HeaderValid(*block))
            Initialise(*block);
    }
    slot.store(block, std::memory_order_release);
    return *block;
}

void HookSharedState::FallBackToPrivate(const char* why)
{
    std::lock_guard guard(s_attachMutex);
    if (!s_shared.exchange(false))
        return;
    WarnCountingAlone(why);
    HookSharedBlock& block = PrivateBlock();
    if (!HeaderValid(block))
        Initialise(block);
    s_block.store(&block, std::memory_order_release);
}

HookSharedBlock& HookSharedState::AttachSlow()
{
    std::lock_guard guard(s_attachMutex);
    if (HookSharedBlock* block = s_block.load(std::memory_order_acquire))
        return *block;
    return AttachLocked(s_block);
}

HookSharedBlock& HookSharedState::Reattach()
{
    std::lock_guard guard(s_attachMutex);
    return AttachLocked(s_block);
}

bool HookSharedState::IsShared()
{
    return s_shared.load();
}
