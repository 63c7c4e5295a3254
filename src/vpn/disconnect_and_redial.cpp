// The disconnect procedures and the watchdog that redials a dropped connection.

#include "app/main_window_engine.h"
#include "app/shared_flags.h"
#include "app/text_choice.h"
#include "app/user_prompts.h"
#include "vpn/vpn_engine.h"

namespace kvt {

namespace {

constexpr quint32 Blue = 0x0000FF;
constexpr int RedialLimit = 200;

} // namespace

void VpnEngine::btn_disconnClick() {
    disconnectProcedure(false);
}

void VpnEngine::btn_disconn2Click() {
    disconnectProcedure(true);
}

void VpnEngine::disconnectProcedure(bool rotation) {
    setStatus(Tr("disconnecting....", "正在断开"));
    IdleControls();
    // The rotation removes the routes first, before anything else changes.
    if (rotation)
        removeRoutes();
    StatusBar1Panel0 = Tr("Disconnected", "连接已断开");
    mw_.statuslabel = Tr("Disconected", "连接已经断开");
    linelabelColor = Blue;
    datalabelColor = Blue;
    panelChanged();
    if (!rotation)
        removeRoutes();
    IdleControls();
    ras_.trafficMeter().ResetPerfStats();
    mw_.dialupcheck.stop();
    mw_.autodialstatus.stop();
    ReleaseDial();
    if (!rotation)
        mw_.autochangeline.stop();
}

void VpnEngine::autodialstatusTimer() {
    RasConnection& connection = ras_.connection();
    connection.CurrentStatusEx(DialHandle);
    ras_.trafficMeter().PerfRasConn[1] = DialHandle;
    if (connection.ConnectState != RasStateDisconnected)
        return; // up, or no connection at all (a handle of 0 reads as 601)

    VpnConnected = 0;
    setStatusRed(Tr("Disconnected", "已断开连接"));
    Prompts().balloon(Tr("Status Info", "断开提示"), Tr("vpn is disconnected", "已经断开连接"));
    removeRoutes();
    IdleControls();
    ReleaseDial();
    mw_.rast12.stop();
    mw_.statuscheck.stop();
    mw_.datecheck.stop();
    mw_.dialupcheck.stop();
    ExpiryNoticeCount = 0;
    panelChanged();

    if (AutoRedialEnabled == u"2") {
        try {
            btn_connClick();
            ++RedialCount;
        } catch (...) {
        }
        if (!AutoRedialSeconds.isEmpty()) {
            // A text that is not a positive number leaves the interval as it is.
            const std::optional<int> seconds = settingSeconds(AutoRedialSeconds);
            if (seconds && *seconds > 0)
                mw_.autodialstatus.setInterval(*seconds * 1000);
        }
    }
    if (RedialCount >= RedialLimit)
        mw_.autodialstatus.stop();
}

} // namespace kvt
