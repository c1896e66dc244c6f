#pragma once
#include <cstdint>
#include <span>
#include <string>

/// Prints a `Scrp` resource in the source notation, one statement a line,
/// as the loader reads it: a statement per record up to the count, and a
/// closing comment where reading stopped early.
std::string DumpScript(uint16_t id, std::span<const uint8_t> bytes);

/// Prints a `Trig` resource's triggers, one a line.
std::string DumpTrig(uint16_t id, std::span<const uint8_t> bytes);
