#pragma once
#include <string>

class ContentModule;

/// Turns any content module back into sources that `ovrc build` makes into
/// a module with the same resources (same `ovrc list`). Resources are
/// written in the readable notation where that reproduces their bytes
/// exactly; everything else (unknown types, bytes the notation cannot hold)
/// is kept raw in a file of its own.
class ContentDumper {
public:
    /// Writes DIR/content.ovs and the files it names (pictures/, sounds/,
    /// raw/). DIR must not exist or be empty. False with *error set on
    /// failure.
    bool Dump(const ContentModule& module, const std::string& dir, std::string* error);

    int DecodedCount() const { return m_decoded; }
    int RawCount() const { return m_raw; }

private:
    int m_decoded = 0;
    int m_raw = 0;
};
