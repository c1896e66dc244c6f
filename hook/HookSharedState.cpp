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

std::mutex s_attachMutex;
std::atomic<bool> s_shared{false};

std::string RuntimeDir()
{
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (!dir || dir[0] != '/')
        return {};
    return dir;
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
    std::string path = LockPath();
    if (path.empty())
        return;
    m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        return;
    while (flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
    }
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
    std::string path = HookSharedState::FilePath();
    if (!path.empty()) {
        HookSharedState::InstallLock lock;
        block = OpenShared(path);
    }
    s_shared.store(block != nullptr);
    if (!block) {
        qCWarning(lcHook, "no shared counter file in XDG_RUNTIME_DIR; counting for this process only");
        block = &PrivateBlock();
        if (!HeaderValid(*block))
            Initialise(*block);
    }
    slot.store(block, std::memory_order_release);
    return *block;
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
