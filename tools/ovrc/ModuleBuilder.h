#pragma once
#include <cstdint>
#include <string>
#include <vector>

/// `ovrc build`: compiles the sources under srcDir, checks them (unless a
/// source turns the checks off) and lays them out as a resource-only PE32+
/// module. False with messages in *errors (each naming file and line where
/// one is known).
bool BuildModuleImage(const std::string& srcDir, std::vector<uint8_t>* image, std::vector<std::string>* errors);

/// Writes the image to a temporary file beside `path` and renames it into
/// place, so readers never see half a module.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);
