#pragma once
#include "PeResources.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

/// One content module held in memory: the file's bytes and its resources.
/// The bytes never change while the object lives, so spans handed out stay
/// valid as long as the module is loaded.
class ContentModule {
public:
    /// Reads a whole file. Null, with a message, when it cannot be read or is
    /// not a PE image.
    static std::shared_ptr<const ContentModule> FromFile(const std::string& path,
                                                         std::string* error = nullptr);
    /// Takes a byte buffer (tests, fuzzing).
    static std::shared_ptr<const ContentModule> FromBytes(std::vector<uint8_t> bytes,
                                                          std::string* error = nullptr);

    /// A module made straight from resources, with no PE container: for
    /// tests of the formats that sit inside the module.
    struct RawResource {
        ResName type;
        ResName name;
        std::vector<uint8_t> bytes;
    };
    static std::shared_ptr<const ContentModule> FromResources(std::vector<RawResource> resources);

    const PeResources& Resources() const { return m_resources; }
    std::span<const uint8_t> Bytes() const { return m_bytes; }
    const std::string& Path() const { return m_path; }

    /// The resource's bytes in its first language, or null when there is none.
    const PeResources::Entry* Find(const ResName& type, const ResName& name) const
    {
        return m_resources.Find(type, name);
    }

private:
    std::vector<uint8_t> m_bytes;
    std::vector<std::vector<uint8_t>> m_rawBytes; // FromResources only
    PeResources m_resources;
    std::string m_path;
};

/// The process-wide content library "OvantisRes.dll", loaded by name and
/// reference counted like a loaded library: it stays while any holder has
/// it loaded, and every lookup while it is not loaded finds nothing.
///
/// Search order: each directory of OVANTIS_RESOURCE_PATH (colon-separated),
/// the directory of the running executable, then the installed data
/// directory.
namespace ContentLibrary {

inline constexpr const char* kFileName = "OvantisRes.dll";

/// Loads the module (first call) or adds a reference. False when no file is
/// found or it does not parse; nothing is then held.
bool Load();
/// Drops one reference; the last one unloads the module.
void Release();
/// The loaded module, or null.
std::shared_ptr<const ContentModule> Get();
/// Where the module would be loaded from, or empty.
std::string FindFile();
/// Test hook: the next Load() with no module loaded takes this one instead
/// of searching (null clears it).
void UseModuleForNextLoad(std::shared_ptr<const ContentModule> module);

} // namespace ContentLibrary

/// Makes `module` the loaded content library for the life of this object
/// (tests): loads it on construction and releases it on destruction.
class ScopedContentLibrary {
public:
    explicit ScopedContentLibrary(std::shared_ptr<const ContentModule> module)
    {
        ContentLibrary::UseModuleForNextLoad(std::move(module));
        m_loaded = ContentLibrary::Load();
    }
    ~ScopedContentLibrary()
    {
        if (m_loaded)
            ContentLibrary::Release();
    }
    ScopedContentLibrary(const ScopedContentLibrary&) = delete;
    ScopedContentLibrary& operator=(const ScopedContentLibrary&) = delete;
    bool IsLoaded() const { return m_loaded; }

private:
    bool m_loaded = false;
};
