#include "formats/SoundListFormat.h"

namespace Formats::SoundList {

namespace {
// The string starting at pos up to its zero byte (or the end); pos moves past
// the zero byte. *terminated says whether there was one.
std::string TakeString(std::span<const uint8_t> bytes, size_t* pos, bool* terminated)
{
    std::string s;
    while (*pos < bytes.size() && bytes[*pos] != 0)
        s.push_back(static_cast<char>(bytes[(*pos)++]));
    *terminated = *pos < bytes.size();
    if (*terminated)
        ++*pos;
    return s;
}
} // namespace

SoundListView DecodeSoundList(std::span<const uint8_t> bytes)
{
    SoundListView view;
    size_t pos = 0;
    while (pos < bytes.size()) {
        SoundPair pair;
        bool terminated = false;
        pair.waveName = TakeString(bytes, &pos, &terminated);
        if (terminated && pos < bytes.size())
            pair.displayName = TakeString(bytes, &pos, &terminated);
        else
            terminated = false;
        if (!terminated)
            view.incomplete = true;
        view.pairs.push_back(std::move(pair));
    }
    return view;
}

std::optional<std::vector<uint8_t>> EncodeSoundList(std::span<const SoundPair> pairs,
                                                    std::string* error)
{
    std::vector<uint8_t> out;
    for (const SoundPair& p : pairs) {
        for (const std::string* s : {&p.waveName, &p.displayName}) {
            if (s->find('\0') != std::string::npos) {
                if (error)
                    *error = "sound name holds a zero byte";
                return std::nullopt;
            }
            out.insert(out.end(), s->begin(), s->end());
            out.push_back(0);
        }
    }
    return out;
}

std::string WaveNameOf(const SoundListView& list, std::string_view displayName)
{
    std::string result;
    for (const SoundPair& p : list.pairs) {
        result = p.waveName;
        if (p.displayName == displayName)
            break;
    }
    return result;
}

} // namespace Formats::SoundList
