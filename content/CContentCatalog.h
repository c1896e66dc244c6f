#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

/// The `STR#` lists the catalogue and the programs' navigation read. Entry
/// i of each belongs to topic first id + i.
enum CatalogList : uint16_t {
    kStretchMenuList = 200,  ///< Stretches menu texts
    kStretchNameList = 201,  ///< routine names ("More" list, Sequence page)
    kStretchTitleList = 202, ///< routine names in window titles
    kTopicMenuList = 300,    ///< Topics menu texts
    kTopicNameList = 301,    ///< reading topic names ("More" list)
    kTopicTitleList = 302,   ///< reading topic names in window titles
    kHelpTextList = 400,     ///< Help menu texts
    kHelpTargetList = 401,   ///< what each help item opens
};

/// The stretch routines of the content library: `Trig` 200, 201, ... up to
/// the first one missing, at most 100, each with the four-character code of
/// its header. The look-ups of the "More" list, the controller and the
/// Sequence page.
class CStretchRoutines {
public:
    static constexpr int kFirstId = 200;
    static constexpr int kMaxCount = 100;

    /// Scans the loaded library; returns the count.
    int ScanStretches();
    int Count() const { return m_count; }
    /// Code and topic id of routine i (0 <= i < Count()).
    uint32_t Code(int i) const { return m_codes[size_t(i)]; }
    int Id(int i) const { return m_ids[size_t(i)]; }

    /// Topic id of the first routine whose code is `code` (header byte 8
    /// most significant), 0 when none.
    int TopicOfCode(uint32_t code) const;
    /// Code of routine `id` when 200 <= id < 200 + Count(), else 0.
    uint32_t CodeOfTopic(int id) const;

private:
    std::array<uint32_t, kMaxCount> m_codes{};
    std::array<int, kMaxCount + 1> m_ids{}; // -1 after the last
    int m_count = 0;
};

/// The reading topics: `Trig` 300, 301, ... up to the first one missing, at
/// most 100, and which of them the Topics menu lists (header flag bit 0).
class CReadingTopics {
public:
    static constexpr int kFirstId = 300;
    static constexpr int kMaxCount = 100;

    int ScanTopics();
    int Count() const { return m_count; }
    int Id(int i) const { return kFirstId + i; }
    /// 300 + i when topic i is listed in the Topics menu, else 0.
    int MenuId(int i) const { return m_menuIds[size_t(i)]; }

private:
    std::array<int, kMaxCount> m_menuIds{};
    int m_count = 0;
};

/// What the content library offers the programs to navigate: routines,
/// reading topics and help items, and the items of the menus and lists
/// built from them. Holds the library loaded while it lives. Texts are the
/// library's Windows-1252 bytes.
class CContentCatalog {
public:
    /// Loads the content library (a reference: it stays while any holder
    /// has it).
    CContentCatalog();
    ~CContentCatalog();
    CContentCatalog(const CContentCatalog&) = delete;
    CContentCatalog& operator=(const CContentCatalog&) = delete;

    bool IsLoaded() const { return m_loaded; }

    int ScanStretches() { return m_stretches.ScanStretches(); }
    int ScanTopics() { return m_topics.ScanTopics(); }
    const CStretchRoutines& Stretches() const { return m_stretches; }
    const CReadingTopics& Topics() const { return m_topics; }

    struct MenuItem {
        int commandId = 0; ///< 0 for a separator
        std::string text;
        bool separator = false;
    };
    /// The Stretches menu: list 200, one item per routine (command id topic
    /// id + 1000). False, with no items, when the list is missing, damaged
    /// or does not count exactly the routines scanned.
    bool StretchMenuItems(std::vector<MenuItem>* items) const;
    /// The Topics menu: list 300, the flagged reading topics only. False as
    /// for StretchMenuItems against the topics scanned.
    bool TopicMenuItems(std::vector<MenuItem>* items) const;
    /// The help items below "About": pairs of lists 400 (texts) and 401
    /// (targets) but their last two entries, a text starting with "-" a
    /// separator; command ids 1400 + n. Also keeps the targets for
    /// GetHelpTarget. False when either list is missing or they differ in
    /// count.
    bool HelpMenuItems(std::vector<MenuItem>* items);
    /// The help items of these two lists' entries, as HelpMenuItems makes
    /// them; *helpTargets gets the target of each item.
    static std::vector<MenuItem> HelpItemsOf(const std::vector<std::string>& texts,
                                             const std::vector<std::string>& targets,
                                             std::vector<std::string>* helpTargets);
    /// List 201 with each routine's topic id (the Sequence page's list);
    /// false when the list is missing.
    bool StretchListEntries(std::vector<std::pair<std::string, int>>* entries) const;

    int HelpCount() const { return int(m_helpTargets.size()); }
    /// Target of help item n; empty outside 0 .. HelpCount() - 1.
    std::string GetHelpTarget(int n) const;

    /// A help text as the menu shows it: 0x85 becomes "...", 0x99 " (TM)".
    static std::string HelpText(const std::string& text);

    static constexpr int kCommandOffset = 1000;
    static constexpr int kFirstHelpCommand = 1400;
    static constexpr int kMaxHelpItems = 100;

private:
    bool m_loaded = false;
    CStretchRoutines m_stretches;
    CReadingTopics m_topics;
    std::vector<std::string> m_helpTargets;
};
