#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

/// `ovrc build`: compiles the sources under srcDir, checks them (unless a
/// source turns the checks off) and lays them out as a resource-only PE32+
/// module. False with messages in *errors (each naming file and line where
/// one is known). With `docsDir`, the help items' files must be there too.
bool BuildModuleImage(const std::string& srcDir, std::vector<uint8_t>* image, std::vector<std::string>* errors,
                      const std::string& docsDir = {});

/// Writes the image to a temporary file beside `path` and renames it into
/// place, so readers never see half a module.
/// Creates the file's folder first. Every file ovrc writes goes through here.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string* error);
