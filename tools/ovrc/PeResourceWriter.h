#pragma once
#include "ResName.h"

#include <cstdint>
#include <string>
#include <vector>

/// Writes a resource-only PE32+ DLL (x86-64, no code, no entry point, no
/// imports) holding one ".rsrc" section. The output depends only on the
/// resources given: TimeDateStamp and every other time field are 0.
class PeResourceWriter {
public:
    struct Resource {
        ResName type = ResName(uint16_t(0));
        ResName name = ResName(uint16_t(0));
        uint16_t language = 1033;
        std::vector<uint8_t> data;
    };

    /// Adds a resource. Types and names are stored exactly as given (the
    /// caller decides about letter case).
    void Add(Resource resource);

    /// The image. False, with *error set, for a duplicate type/name/language
    /// or a module too large for 32-bit offsets.
    bool Write(std::vector<uint8_t>* image, std::string* error = nullptr) const;

    /// Directory order of two type or name keys: names first, compared
    /// without regard to letter case (by their upper-case form), then ids
    /// ascending.
    static bool Before(const ResName& a, const ResName& b);

private:
    std::vector<Resource> m_resources;
};
