#pragma once

/// Codes (wParam) of the broadcasts between the programs.
namespace MessageCodes {

/// "OvantisToCtrlMsg": to the controller.
enum ToCtrl : unsigned {
    kViewerCreated = 5,     ///< the viewer's frame was created
    kViewerActivated = 6,   ///< activated while a stretch routine is shown
    kViewerDeactivated = 7, ///< deactivated while a stretch routine is shown
    kViewerClosing = 8,     ///< the viewer's frame is closing
    kViewerClicked = 11,    ///< the user clicked into the viewer on a stretch routine
    kPrefsOpened = 12,      ///< a Preferences sheet is being built
    kPrefsClosed = 13,      ///< a Preferences sheet was destroyed
    kSettingsApplied = 14,  ///< a settings group was applied (lParam: group)
    kAddKeyClicks = 21,     ///< lParam added to the keystroke count
    kAddMouseClicks = 22,   ///< lParam added to the click count
};

/// "OvantisToAppMsg": to the viewer.
enum ToApp : unsigned {
    kShowTopic = 1,   ///< show the topic in the low 16 bits of lParam
    kPreferences = 2, ///< open the Preferences sheet
};

} // namespace MessageCodes
