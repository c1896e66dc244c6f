#pragma once
// The resource types of the content module and the ids the system gives a
// meaning to, named in one place for the programs and the tools.
#include <cstdint>

/// String resource types, in the upper case the module stores them in
/// (lookups ignore ASCII case).
namespace ResType {
inline constexpr const char* kTopic = "TRIG";      ///< topic header and triggers
inline constexpr const char* kScript = "SCRP";     ///< statement records
inline constexpr const char* kText = "STYT";       ///< styled text: the characters
inline constexpr const char* kStyles = "STYL";     ///< styled text: the style runs
inline constexpr const char* kStrList = "STR#";    ///< string list
inline constexpr const char* kSequence = "STSQ";   ///< default routine sequence
inline constexpr const char* kWave = "WAVE";       ///< RIFF wave sound
/// Standard types.
inline constexpr uint16_t kBitmap = 2;
inline constexpr uint16_t kRcdata = 10;
} // namespace ResType

namespace ResId {
/// Topic ranges: stretch routines from 200, reading topics from 300, each
/// range without gaps. The string lists of a range have its first id plus
/// 0 (menu names), 1 (list names) and 2 (titles).
inline constexpr uint16_t kStretchTopics = 200;
inline constexpr uint16_t kReadingTopics = 300;
inline constexpr uint16_t kRangeEnd = 400;
/// STR# 400 holds the help texts, 401 their targets.
inline constexpr uint16_t kHelpTexts = 400;
inline constexpr uint16_t kHelpTargets = 401;
/// The bitmap whose colour table is every topic's palette.
inline constexpr uint16_t kPaletteBitmap = 253;
/// The default routine sequence (STSQ).
inline constexpr uint16_t kDefaultSequence = 200;
/// The RT_RCDATA resource that lists the sounds, by name.
inline constexpr const char* kSoundList = "SOUNDLIST";
} // namespace ResId
