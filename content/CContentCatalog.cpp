#include "CContentCatalog.h"

#include "CContentResource.h"
#include "ContentModule.h"
#include "StrList.h"
#include "formats/TriggerFormat.h"

#include <algorithm>
#include <span>

namespace {

/// The header of `Trig` id, when the topic exists. A resource too short for
/// its header still counts as a topic (the lists are paired with topics by
/// position) but has no code and no flags.
bool ReadTrigHeader(int id, Formats::Trigger::TrigView* header)
{
    CContentResource resource;
    if (!resource.Load(uint16_t(id), Formats::Trigger::kResourceType))
        return false;
    const uint8_t* bytes = resource.Lock();
    std::optional<Formats::Trigger::TrigView> view
        = Formats::Trigger::DecodeTrig(std::span<const uint8_t>(bytes, resource.size));
    resource.Unlock();
    *header = view ? std::move(*view) : Formats::Trigger::TrigView{};
    return true;
}

/// A list whose every entry was read, counting `count` entries.
bool LoadWholeList(uint16_t id, StrList* list)
{
    return list->Load(id) && list->IsComplete();
}

} // namespace

int CStretchRoutines::ScanStretches()
{
    m_count = 0;
    Formats::Trigger::TrigView header;
    while (m_count < kMaxCount && ReadTrigHeader(kFirstId + m_count, &header)) {
        m_codes[size_t(m_count)] = Formats::Trigger::CodeValue(header.code);
        m_ids[size_t(m_count)] = kFirstId + m_count;
        ++m_count;
    }
    m_ids[size_t(m_count)] = -1;
    return m_count;
}

int CStretchRoutines::TopicOfCode(uint32_t code) const
{
    for (int i = 0; i < m_count; ++i) {
        if (m_codes[size_t(i)] == code)
            return m_ids[size_t(i)];
    }
    return 0;
}

uint32_t CStretchRoutines::CodeOfTopic(int id) const
{
    if (id < kFirstId || id >= kFirstId + m_count)
        return 0;
    return m_codes[size_t(id - kFirstId)];
}

int CReadingTopics::ScanTopics()
{
    m_count = 0;
    Formats::Trigger::TrigView header;
    while (m_count < kMaxCount && ReadTrigHeader(kFirstId + m_count, &header)) {
        m_menuIds[size_t(m_count)]
            = (header.flags & Formats::Trigger::kFlagTopicsMenu) ? kFirstId + m_count : 0;
        ++m_count;
    }
    return m_count;
}

CContentCatalog::CContentCatalog()
    : m_loaded(ContentLibrary::Load())
{
}

CContentCatalog::~CContentCatalog()
{
    if (m_loaded)
        ContentLibrary::Release();
}

bool CContentCatalog::StretchMenuItems(std::vector<MenuItem>* items) const
{
    items->clear();
    StrList list;
    if (!LoadWholeList(kStretchMenuList, &list) || list.HeaderCount() != m_stretches.Count())
        return false;
    for (int i = 0; i < m_stretches.Count(); ++i)
        items->push_back({m_stretches.Id(i) + kCommandOffset, list.Entries()[size_t(i)], false});
    return true;
}

bool CContentCatalog::TopicMenuItems(std::vector<MenuItem>* items) const
{
    items->clear();
    StrList list;
    if (!LoadWholeList(kTopicMenuList, &list) || list.HeaderCount() != m_topics.Count())
        return false;
    for (int i = 0; i < m_topics.Count(); ++i) {
        if (m_topics.MenuId(i) != 0)
            items->push_back({m_topics.MenuId(i) + kCommandOffset, list.Entries()[size_t(i)], false});
    }
    return true;
}

bool CContentCatalog::HelpMenuItems(std::vector<MenuItem>* items)
{
    items->clear();
    m_helpTargets.clear();
    StrList texts, targets;
    if (!LoadWholeList(kHelpTextList, &texts) || !LoadWholeList(kHelpTargetList, &targets)
        || texts.HeaderCount() != targets.HeaderCount())
        return false;
    *items = HelpItemsOf(texts.Entries(), targets.Entries(), &m_helpTargets);
    return true;
}

std::vector<CContentCatalog::MenuItem> CContentCatalog::HelpItemsOf(const std::vector<std::string>& texts,
                                                                    const std::vector<std::string>& targets,
                                                                    std::vector<std::string>* helpTargets)
{
    std::vector<MenuItem> items;
    helpTargets->clear();
    // The last two entries of each list are not used.
    const int pairs = int(std::min(texts.size(), targets.size())) - 2;
    for (int i = 0; i < pairs; ++i) {
        const std::string& text = texts[size_t(i)];
        if (!text.empty() && text[0] == '-') {
            items.push_back({0, {}, true});
            continue;
        }
        // Command ids 1400-1499 hold at most 100 items.
        if (int(helpTargets->size()) == kMaxHelpItems)
            break;
        items.push_back({kFirstHelpCommand + int(helpTargets->size()), HelpText(text), false});
        helpTargets->push_back(targets[size_t(i)]);
    }
    return items;
}

bool CContentCatalog::StretchListEntries(std::vector<std::pair<std::string, int>>* entries) const
{
    entries->clear();
    StrList list;
    if (!list.Load(kStretchNameList))
        return false;
    for (size_t i = 0; i < list.Entries().size(); ++i)
        entries->emplace_back(list.Entries()[i], CStretchRoutines::kFirstId + int(i));
    return true;
}

std::string CContentCatalog::GetHelpTarget(int n) const
{
    if (n < 0 || n >= HelpCount())
        return {};
    return m_helpTargets[size_t(n)];
}

std::string CContentCatalog::HelpText(const std::string& text)
{
    std::string shown;
    for (char c : text) {
        if (static_cast<unsigned char>(c) == 0x85)
            shown += "...";
        else if (static_cast<unsigned char>(c) == 0x99)
            shown += " (TM)";
        else
            shown += c;
    }
    return shown;
}
