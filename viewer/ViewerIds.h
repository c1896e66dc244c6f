#pragma once

/// Command ids, topic ranges and sizes of the viewer.
namespace ViewerIds {

// Menu and button commands.
inline constexpr int kAppExit = 57665;
inline constexpr int kPreferences = 32773;
inline constexpr int kAbout = 57664;
inline constexpr int kFilePrint = 57607;
inline constexpr int kNext = 57610;
inline constexpr int kPrev = 57611;
inline constexpr int kMoreList = 57612;
inline constexpr int kExitButton = 57614;

// Strings of the programs' own tables.
inline constexpr int kStrNext = 57610;
inline constexpr int kStrPrev = 57611;
inline constexpr int kStrMoreStretches = 57612;
inline constexpr int kStrMoreTopics = 57613;
inline constexpr int kStrExit = 57614;
inline constexpr int kStrOvantis = 57652;
inline constexpr int kStrStretchesMenu = 59520;
inline constexpr int kStrTopicsMenu = 59251;
inline constexpr int kStrHelpMenu = 59252;

inline constexpr int kIconApp = 128;
inline constexpr int kIconDocument = 2;

// Topics: command id = topic id + kCommandOffset.
inline constexpr int kCommandOffset = 1000;
inline constexpr int kFirstStretch = 200;
inline constexpr int kFirstReading = 300;
inline constexpr int kAboutTopic = 400;
inline constexpr int kDefaultTopic = 300;
inline constexpr int kFirstTopicCommand = 1200;
inline constexpr int kLastTopicCommand = 1399;
inline constexpr int kFirstHelpCommand = 1400;
inline constexpr int kLastHelpCommand = 1499;

/// A stretch routine is shown: the controller hears about activation.
constexpr bool IsStretch(int topicId) { return topicId >= 200 && topicId <= 299; }

// The frame's outer size the position rules use, and the view it leaves.
inline constexpr int kWindowWidth = 640;
inline constexpr int kWindowHeight = 480;
inline constexpr int kViewWidth = 634;
inline constexpr int kViewHeight = 436;
inline constexpr int kAboutWidth = 496;
inline constexpr int kAboutHeight = 284;

inline constexpr int kTickMs = 50;

// Windows mouse-key flags, as the topic's triggers read them.
inline constexpr unsigned kMkLButton = 0x0001;
inline constexpr unsigned kMkRButton = 0x0002;
inline constexpr unsigned kMkShift = 0x0004;
inline constexpr unsigned kMkControl = 0x0008;
inline constexpr unsigned kMkMButton = 0x0010;

} // namespace ViewerIds
