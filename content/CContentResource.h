#pragma once
#include "ResName.h"

#include <cstdint>
#include <memory>

class ContentModule;

/// Typed access to one resource of the loaded content library. Lives on the
/// caller's stack: construct, Load, Lock, read, Unlock. The bytes stay valid
/// while the content library stays loaded; nothing is freed here.
struct CContentResource {
    /// Finds the resource by numeric id and type (a type name such as "STR#"
    /// or a standard numeric type). Returns the handle (non-null) or null
    /// when the module is not loaded or has no such resource; a miss keeps
    /// the earlier size.
    const void* Load(uint16_t id, const ResName& type);
    /// The same, for resources found by name ("soundlist", WAVE names).
    const void* LoadNamed(const ResName& name, const ResName& type);
    /// Pointer to the loaded resource's bytes (same pointer on every call).
    const uint8_t* Lock();
    /// Forgets the stored pointer; the bytes stay valid.
    void Unlock();

    const void* handle = nullptr;
    uint32_t size = 0;
    const uint8_t* data = nullptr;

private:
    // Keeps the module that the handle points into alive.
    std::shared_ptr<const ContentModule> m_module;
};
