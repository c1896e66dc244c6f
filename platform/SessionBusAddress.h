#pragma once
#include <string>

/// The session bus address: the environment's, or the per-user bus socket
/// that systemd-style sessions keep in the runtime directory. Never the
/// autolaunch fallback, which would start a bus of its own. Empty when
/// there is no bus to connect to.
std::string SessionBusAddress();
