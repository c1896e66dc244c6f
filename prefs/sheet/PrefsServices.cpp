#include "PrefsServices.h"

#include "CBusBroadcast.h"
#include "OvantisHook.h"
#include "SessionBus.h"

PrefsServices PrefsServices::System()
{
    PrefsServices services;
    services.postToCtrl = [](unsigned code, int lParam) {
        CBusBroadcast::PostOn(SessionBus::Connection(), CBusBroadcast::ToCtrl, code, lParam);
    };
    services.enableHotKey = [](int enable) { EnableHotKey(enable); };
    services.setHotKey = [](int alt, int ctrl, int shift, int key) { SetHotKey(alt, ctrl, shift, key); };
    return services;
}
