#pragma once

/// Names of the session bus contract between the programs of the system:
/// each main window owns org.halvornpress.<window class> and serves the
/// window interface at one object path; broadcasts are signals there.
namespace BusNames {
inline constexpr const char* kServicePrefix = "org.halvornpress.";
inline constexpr const char* kViewerService = "org.halvornpress.OvantisAppClass";
inline constexpr const char* kControllerService = "org.halvornpress.OvantisCtrlClass";
inline constexpr const char* kObjectPath = "/org/halvornpress/Ovantis";
inline constexpr const char* kWindowInterface = "org.halvornpress.Ovantis.Window";
inline constexpr const char* kBroadcastInterface = "org.halvornpress.Ovantis.Broadcast";
/// Calls that wait for an answer give up after this long: a peer that
/// hangs must not hang us.
inline constexpr int kCallTimeoutMs = 1000;

/// The three broadcast signals (members of kBroadcastInterface), each
/// carrying (u wParam, i lParam).
inline constexpr const char* kToCtrlMsg = "OvantisToCtrlMsg";
inline constexpr const char* kToAppMsg = "OvantisToAppMsg";
inline constexpr const char* kToDrvrMsg = "OvantisToDrvrMsg";
/// Window classes of the two programs' main windows.
inline constexpr const char* kViewerClass = "OvantisAppClass";
inline constexpr const char* kControllerClass = "OvantisCtrlClass";
} // namespace BusNames
