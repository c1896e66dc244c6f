#pragma once
#include "ResName.h"
#include "SourceLine.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// One resource made from the sources, with where it was written.
struct BuiltResource {
    ResName type = ResName(uint16_t(0));
    ResName name = ResName(uint16_t(0));
    uint16_t language = 1033;
    std::vector<uint8_t> data;
    SourceLocation where;
    /// Source line of each record (trigger records of a topic, statements
    /// of a script), for messages about a record.
    std::vector<SourceLocation> recordLines;
};

/// Turns content sources (the notation of contentsrc/README.md) into
/// resources. Every error names the file and line.
class ContentCompiler {
public:
    /// Compiles every *.ovs file under `dir`, in sorted path order.
    bool CompileDirectory(const std::string& dir);
    /// Compiles one source text; `file` names it in messages, relative file
    /// names in it are taken from `baseDir`.
    bool CompileText(const std::string& text, const std::string& file, const std::string& baseDir);
    /// Resolves what may refer across files (sequence entries naming a
    /// routine). Call once after the last Compile*.
    bool Finish();

    const std::vector<BuiltResource>& Resources() const { return m_resources; }
    const std::vector<std::string>& Errors() const { return m_errors; }
    /// False when a source says "option checks=off".
    bool ChecksEnabled() const { return m_checks; }

private:
    struct PendingSequence {
        size_t resource;
        std::vector<SourceLocation> lines;
        std::vector<uint16_t> routines; ///< topic id, or 0 when `codes` holds the entry
        std::vector<std::vector<uint8_t>> codes;
    };

    struct Block;
    enum class Key;
    /// A keyword of the sources and the function that builds its block.
    struct BlockKind;
    static const BlockKind kBlockKinds[];

    bool ParseBlock(const std::vector<SourceLine>& lines, size_t* index, const std::string& baseDir);
    bool ReadHeader(const BlockKind& kind, Block& block);
    std::optional<ResName> ReadKey(const Block& block, size_t* pos, const char* what, bool upper);
    bool ReadFile(const Block& block, std::vector<uint8_t>* bytes);
    /// Quoted strings of a body line, as content bytes, appended to *out.
    bool ReadStrings(const SourceLine& line, std::string* out);

    bool BuildOption(Block& block);
    bool BuildBitmap(Block& block);
    bool BuildWave(Block& block);
    bool BuildRaw(Block& block);
    bool BuildTopic(Block& block);
    bool BuildScript(Block& block);
    bool BuildText(Block& block);
    bool BuildStyt(Block& block);
    bool BuildStyl(Block& block);
    bool BuildStrList(Block& block);
    bool BuildSequence(Block& block);
    bool BuildSoundList(Block& block);

    void Error(const SourceLocation& where, const std::string& message);
    /// Error at the line; false, for returning at once.
    bool LineError(const SourceLine& line, const std::string& message);

    std::vector<BuiltResource> m_resources;
    std::vector<PendingSequence> m_sequences;
    std::vector<std::string> m_errors;
    bool m_checks = true;
};

/// How string types and names are stored: ASCII upper case, as Windows
/// resource compilers store them.
std::string UpperCaseName(const std::string& name);
