#include "ContentChecks.h"

#include "CContentCatalog.h"
#include "HelpTargetRule.h"
#include "MediaFiles.h"
#include "Windows1252.h"
#include "formats/ScriptFormat.h"
#include "formats/SequenceFormat.h"
#include "formats/SoundListFormat.h"
#include "formats/StrListFormat.h"
#include "formats/StyledTextFormat.h"
#include "formats/TriggerFormat.h"

#include <map>
#include <set>

using namespace Formats;

namespace {

constexpr int kMaxTopicsPerRange = 100;

class Checker {
public:
    explicit Checker(const std::vector<BuiltResource>& resources) : m_resources(resources) {}

    std::vector<std::string> Run()
    {
        CheckTopicRanges();
        CheckLists();
        CheckReferences();
        CheckPalette();
        CheckSoundList();
        CheckSequence();
        return m_messages;
    }

private:
    const BuiltResource* Find(const ResName& type, const ResName& name) const
    {
        for (const BuiltResource& r : m_resources)
            if (r.type.Matches(type) && r.name.Matches(name))
                return &r;
        return nullptr;
    }

    /// False for a resource that also exists in a lower language id: the
    /// programs read the first language in directory order only.
    bool IsReadLanguage(const BuiltResource& resource) const
    {
        for (const BuiltResource& r : m_resources)
            if (r.type.Matches(resource.type) && r.name.Matches(resource.name) && r.language < resource.language)
                return false;
        return true;
    }

    void Problem(const BuiltResource* at, size_t record, const std::string& message)
    {
        std::string where;
        if (at && record < at->recordLines.size())
            where = at->recordLines[record].ToString() + ": ";
        else if (at && !at->where.file.empty())
            where = at->where.ToString() + ": ";
        m_messages.push_back(where + message);
    }

    /// Topics of a range present from `first` upwards without a gap.
    int CountRange(uint16_t first)
    {
        int count = 0;
        while (count < kMaxTopicsPerRange && Find(ResType::kTopic, uint16_t(first + count)))
            ++count;
        return count;
    }

    void CheckTopicRanges()
    {
        using namespace ResId;
        m_stretches = CountRange(kStretchTopics);
        m_topics = CountRange(kReadingTopics);
        if (m_stretches == 0)
            Problem(nullptr, 0, "no stretch routine: topic " + std::to_string(kStretchTopics) + " is missing");
        if (m_topics == 0)
            Problem(nullptr, 0, "no reading topic: topic " + std::to_string(kReadingTopics) + " is missing");
        for (const BuiltResource& r : m_resources) {
            if (!r.type.Matches(ResType::kTopic) || !r.name.IsId())
                continue;
            const uint16_t id = r.name.Id();
            if ((id >= kStretchTopics && id < kReadingTopics && id >= kStretchTopics + m_stretches) ||
                (id >= kReadingTopics && id < kRangeEnd && id >= kReadingTopics + m_topics))
                Problem(&r, size_t(-1),
                        "topic " + std::to_string(id) + " is never shown: the topics before it are not all present");
            if (id >= kStretchTopics && id < kStretchTopics + m_stretches && IsReadLanguage(r)) {
                auto view = Trigger::DecodeTrig(r.data);
                if (view) {
                    for (uint8_t b : view->code)
                        if (b == 0) {
                            Problem(&r, size_t(-1), "routine " + std::to_string(id) +
                                                        " has a zero byte in its four-character code");
                            break;
                        }
                    const uint32_t code = Trigger::CodeValue(view->code);
                    if (auto [it, added] = m_codes.emplace(code, id); !added)
                        Problem(&r, size_t(-1), "routine " + std::to_string(id) + " has the same code as routine " +
                                                    std::to_string(it->second));
                }
            }
        }
    }

    void CheckList(uint16_t id, int expected, const std::string& what)
    {
        const BuiltResource* r = Find(ResType::kStrList, id);
        if (!r) {
            Problem(nullptr, 0, "STR# " + std::to_string(id) + " (" + what + ") is missing");
            return;
        }
        auto view = StrList::DecodeStrList(r->data);
        if (!view || view->truncated) {
            Problem(r, size_t(-1), "STR# " + std::to_string(id) + " is damaged");
            return;
        }
        if (expected >= 0 && view->count != expected)
            Problem(r, size_t(-1), "STR# " + std::to_string(id) + " (" + what + ") has " +
                                       std::to_string(view->count) + " entries, but there are " +
                                       std::to_string(expected) + " topics");
    }

    void CheckLists()
    {
        using namespace ResId;
        CheckList(kStretchTopics, m_stretches, "stretch menu names");
        CheckList(kStretchTopics + 1, m_stretches, "stretch list names");
        CheckList(kStretchTopics + 2, m_stretches, "stretch titles");
        CheckList(kReadingTopics, m_topics, "topic menu names");
        CheckList(kReadingTopics + 1, m_topics, "topic list names");
        CheckList(kReadingTopics + 2, m_topics, "topic titles");
        CheckList(kHelpTexts, -1, "help texts");
        CheckList(kHelpTargets, -1, "help targets");
        const BuiltResource* texts = Find(ResType::kStrList, kHelpTexts);
        const BuiltResource* targets = Find(ResType::kStrList, kHelpTargets);
        if (texts && targets) {
            auto a = StrList::DecodeStrList(texts->data);
            auto b = StrList::DecodeStrList(targets->data);
            if (a && b && a->count != b->count)
                Problem(texts, size_t(-1), "STR# " + std::to_string(kHelpTexts) + " has " + std::to_string(a->count) +
                                               " entries but STR# " + std::to_string(kHelpTargets) + " has " +
                                               std::to_string(b->count));
        }
    }

    void NeedScript(const BuiltResource* from, size_t record, uint16_t id)
    {
        if (!Find(ResType::kScript, id))
            Problem(from, record, "script " + std::to_string(id) + " is missing");
    }

    void CheckReferences()
    {
        for (const BuiltResource& r : m_resources) {
            if (r.type.Matches(ResType::kTopic)) {
                auto view = Trigger::DecodeTrig(r.data);
                if (!view) {
                    Problem(&r, size_t(-1), "topic " + r.name.ToString() + " is shorter than its header");
                    continue;
                }
                if (view->truncated)
                    Problem(&r, size_t(-1), "topic " + r.name.ToString() + " has fewer triggers than it counts");
                for (size_t i = 0; i < view->triggers.size(); ++i) {
                    const auto& t = view->triggers[i];
                    if (!Trigger::FindKind(t.kind))
                        Problem(&r, i, "trigger kind " + std::to_string(t.kind) + " is not known");
                    NeedScript(&r, i, t.script);
                }
            } else if (r.type.Matches(ResType::kScript)) {
                auto view = Script::DecodeScript(r.data);
                if (!view) {
                    Problem(&r, size_t(-1), "script " + r.name.ToString() + " is shorter than its header");
                    continue;
                }
                if (view->stoppedAtUnknownOpcode || view->truncated)
                    Problem(&r, view->records.size(),
                            "script " + r.name.ToString() + ": statement " + std::to_string(view->records.size()) +
                                " cannot be read");
                for (size_t i = 0; i < view->records.size(); ++i) {
                    const auto& rec = view->records[i];
                    for (const FieldDesc& f : rec.op->fields) {
                        if (f.ref == IdRef::None)
                            continue;
                        const uint16_t id = uint16_t(*ReadScalar(rec.bytes, f));
                        if (f.ref == IdRef::Script)
                            NeedScript(&r, i, id);
                        else if (f.ref == IdRef::Picture && !Find(kRtBitmap, id))
                            Problem(&r, i, "picture " + std::to_string(id) + " is missing");
                        else if (f.ref == IdRef::Text)
                            CheckText(&r, i, id);
                    }
                }
            }
        }
    }

    void CheckText(const BuiltResource* from, size_t record, uint16_t id)
    {
        const BuiltResource* text = Find(ResType::kText, id);
        const BuiltResource* styles = Find(ResType::kStyles, id);
        if (!text || !styles) {
            Problem(from, record, "styled text " + std::to_string(id) + " is missing" +
                                      (text ? " its styl" : styles ? " its Styt" : ""));
            return;
        }
        if (text->data.empty())
            Problem(from, record, "styled text " + std::to_string(id) + " is empty");
        auto view = StyledText::DecodeStyl(styles->data);
        if (!view || view->truncated || view->runs.empty())
            Problem(styles, size_t(-1), "styl " + std::to_string(id) + " has no complete runs");
    }

    void CheckPalette()
    {
        const BuiltResource* palette = Find(kRtBitmap, ResId::kPaletteBitmap);
        if (!palette) {
            Problem(nullptr, 0, "palette bitmap " + std::to_string(ResId::kPaletteBitmap) + " is missing");
            return;
        }
        std::string error;
        auto info = InspectPackedDib(palette->data, &error);
        if (!info)
            Problem(palette, size_t(-1), "palette bitmap " + std::to_string(ResId::kPaletteBitmap) + ": " + error);
        else if (info->colours == 0)
            Problem(palette, size_t(-1),
                    "palette bitmap " + std::to_string(ResId::kPaletteBitmap) + " has no colour table");
    }

    void CheckSoundList()
    {
        const BuiltResource* list = Find(kRtRcdata, ResId::kSoundList);
        if (!list)
            return;
        auto view = SoundList::DecodeSoundList(list->data);
        if (view.incomplete)
            Problem(list, size_t(-1), "soundlist does not end with a whole pair");
        std::set<std::string> displayNames;
        bool haveDefault = false;
        for (const auto& pair : view.pairs) {
            if (!Find(ResType::kWave, ResName::FromWindows1252(pair.waveName)))
                Problem(list, size_t(-1), "wave \"" + pair.waveName + "\" of the soundlist is missing");
            if (!displayNames.insert(pair.displayName).second)
                Problem(list, size_t(-1), "sound name \"" + pair.displayName + "\" is listed twice");
            haveDefault = haveDefault || pair.displayName == SoundList::kDefaultDisplayName;
        }
        if (!haveDefault)
            Problem(list, size_t(-1), "soundlist has no sound named \"" + std::string(SoundList::kDefaultDisplayName) +
                                          "\" (the default notification sound)");
    }

    void CheckSequence()
    {
        const BuiltResource* sequence = Find(ResType::kSequence, ResId::kDefaultSequence);
        if (!sequence)
            return;
        auto view = Sequence::DecodeSequence(sequence->data);
        if (view.trailingBytes)
            Problem(sequence, size_t(-1), "default sequence has " + std::to_string(view.trailingBytes) +
                                              " bytes after its last whole entry");
        for (size_t i = 0; i < view.entries.size(); ++i) {
            const uint32_t code = Trigger::CodeValue(Sequence::CodeFromEntry(view.entries[i]));
            if (!m_codes.count(code))
                Problem(sequence, i, "default sequence entry " + std::to_string(i) +
                                         " names a code that no stretch routine has");
        }
    }

public:
    std::vector<std::string> RunHelpTargets(const std::string& docsDir)
    {
        const BuiltResource* texts = Find(ResType::kStrList, ResId::kHelpTexts);
        const BuiltResource* targets = Find(ResType::kStrList, ResId::kHelpTargets);
        auto a = texts ? StrList::DecodeStrList(texts->data) : std::nullopt;
        auto b = targets ? StrList::DecodeStrList(targets->data) : std::nullopt;
        if (!a || !b)
            return m_messages; // CheckContent reports missing lists
        std::vector<std::string> itemTargets;
        CContentCatalog::HelpItemsOf(a->entries, b->entries, &itemTargets);
        const QString dir = QString::fromStdString(docsDir);
        for (size_t i = 0, item = 0; i < a->entries.size() && i < b->entries.size() && item < itemTargets.size(); ++i) {
            // Item n's target is the entry of the n-th text that is no separator.
            if (!a->entries[i].empty() && a->entries[i][0] == '-')
                continue;
            const std::string& target = itemTargets[item++];
            const HelpTarget resolved = ResolveHelpTarget(FromWindows1252(target), {dir});
            if (resolved.shellError != 0)
                Problem(targets, i, "help target \"" + target + "\" is not among the installed documents in " +
                                        docsDir);
        }
        return m_messages;
    }

private:
    const std::vector<BuiltResource>& m_resources;
    std::vector<std::string> m_messages;
    std::map<uint32_t, uint16_t> m_codes;
    int m_stretches = 0;
    int m_topics = 0;
};

} // namespace

std::vector<std::string> CheckContent(const std::vector<BuiltResource>& resources)
{
    return Checker(resources).Run();
}

std::vector<std::string> CheckHelpTargets(const std::vector<BuiltResource>& resources, const std::string& docsDir)
{
    return Checker(resources).RunHelpTargets(docsDir);
}
