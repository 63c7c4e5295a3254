// The connection monitor: decides whether a started dial succeeded or failed, announces the
// connection, and shows traffic and online time while the tunnel is up.

#include "app/main_window_engine.h"
#include "app/main_window_texts.h"
#include "app/shared_flags.h"
#include "app/text_choice.h"
#include "app/to_traditional.h"
#include "app/ui_language.h"
#include "app/user_prompts.h"
#include "backend/session_state.h"
#include "vpn/traffic_text.h"
#include "vpn/vpn_engine.h"
#include "vpn/vpn_texts.h"

namespace kvt {

namespace {

constexpr quint32 Red = 0xFF0000;

bool isFailure(int state) {
    return state >= 602 && state <= 1000;
}

} // namespace

// Steps 1-4 and 6 of the connected block, and with `full` also 5 and 7.
void VpnEngine::connectedBlock(bool full) {
    VpnConnected = 1;
    mw_.statuslabelColor = Red;
    mw_.statuslabel = Tr("Connected", "连接成功");
    StatusBar1Panel0 = Tr("Connected", "服务器连接成功");
    mw_.setControlEnabled(QStringLiteral("btn_speed"), false);
    mw_.setControlEnabled(QStringLiteral("vt1"), false);
    mw_.rast12.start();
    mw_.setControlEnabled(QStringLiteral("btn_disconn"), true);
    if (OwnAccountDial == 1) {
        mw_.statuscheck.stop();
    } else {
        mw_.statuscheck.start();
        mw_.datecheck.start();
    }
    if (full)
        ras_.connection().DeletePhonebook();
    mw_.autodialstatus.start();
    if (full) {
        mw_.dialupcheck.stop();
        mw_.dialupstatus.stop();
        ExpiryNoticeCount = 0;
    }
    panelChanged();
}

void VpnEngine::failureBlock() {
    // 1.
    setStatus(DialErrorText(ras_.connection().ConnectState));
    // 2.
    removeRoutes();
    // 3.
    VpnConnected = 0;
    IdleControls();
    ras_.trafficMeter().ResetPerfStats();
    ReleaseDial();
    // 4.
    mw_.rast12.stop();
    mw_.statuscheck.stop();
    mw_.datecheck.stop();
    mw_.dialupcheck.stop();
    mw_.dialupstatus.stop();
    ExpiryNoticeCount = 0;
    panelChanged();
    // 5.
    automaticChangeStep();
}

void VpnEngine::automaticChangeStep() {
    if (AutoChangeEnabled != u"2" || AutoChangeSeconds.isEmpty())
        return;
    const std::optional<int> seconds = settingSeconds(AutoChangeSeconds);
    if (!seconds || *seconds < 30 || !mw_.autochangeline.isActive())
        return;
    mw_.autochangeline.stop();
    pumpWait(1000);
    mw_.autochangeline.setInterval((*seconds + 10) * 1000);
    if (autochangelineTimer)
        autochangelineTimer();
    mw_.autochangeline.start();
}

void VpnEngine::dialupstatusTimer() {
    RasConnection& connection = ras_.connection();
    if (connection.GetMessText() == u"Connected/Online" ||
        connection.ConnectState == RasStateConnected) {
        connectedBlock(true);
        return;
    }
    mw_.statuslabelColor = Red;
    if (isFailure(connection.ConnectState))
        failureBlock();
    else
        panelChanged();
}

void VpnEngine::dialupcheckTimer() {
    RasConnection& connection = ras_.connection();
    connection.CurrentStatusEx(DialHandle);
    ras_.trafficMeter().PerfRasConn[1] = DialHandle;
    if (connection.ConnectState == RasStateConnected) {
        // The next tick of dialupstatus runs the whole connected block.
        connectedBlock(false);
        connection.DeletePhonebook();
        mw_.dialupcheck.stop();
        ExpiryNoticeCount = 0;
        return;
    }
    // Still undecided (or failed) after 14 seconds.
    VpnConnected = 0;
    setStatusRed(Tr("Unable to connect, please replace the other line retry",
                    "不能连接，请更换其它线路再试"));
    removeRoutes();
    IdleControls();
    ReleaseDial();
    mw_.rast12.stop();
    mw_.statuscheck.stop();
    mw_.datecheck.stop();
    connection.DeletePhonebook();
    automaticChangeStep();
    mw_.dialupcheck.stop();
    ExpiryNoticeCount = 0;
    panelChanged();
}

void VpnEngine::Timer2Timer() {
    if (ras_.connection().GetMessText() != u"Connected/Online")
        return;
    mw_.statuslabel = Tr("Connected", "连接成功");
    StatusBar1Panel0 = Tr("Connected", "服务器连接成功");
    panelChanged();
    if (MinimizeOnConnect == u"2" && minimizeToTray)
        minimizeToTray();
    const QString caption = MainTexts().caption;
    if (setTrayHint)
        setTrayHint(caption);
    const SessionState& session = Session();
    const QString answer =
        UiLanguage == 3 ? ToTraditional(session.LoginAnswer) : session.LoginAnswer;
    Prompts().balloon(caption,
                      Tr("UserName:", "用户名:") + session.LoginUser + QLatin1Char('\n') + answer);
    mw_.Timer2.stop();

    // The batch speed test would compete with the new tunnel: end it, running or not.
    SpeedTestRunning.store(0);
    mw_.setControlText(QStringLiteral("btn_speed"), Tr("Bat Speed", "批量测速"));
    if (stopBatchSpeedTest)
        stopBatchSpeedTest();
    mw_.Timer1.stop();
}

void VpnEngine::rast12Timer() {
    RasConnection& connection = ras_.connection();
    RasTrafficMeter& meter = ras_.trafficMeter();
    meter.PerfRasConn[1] = DialHandle;
    if (connection.ConnectState != RasStateConnected)
        return;
    meter.GetPerfStats();
    const qint64 online = ConnectStartTime.isValid() ? ConnectStartTime.secsTo(now()) : 0;
    const QString text = TrafficText(meter.PerfXmitCur[0], meter.PerfRecvCur[0], online);
    StatusBar1Panel1 = text;
    mw_.datalabel = text;
    datalabelColor = Red;
    mw_.statuslabelColor = Red;
    linelabelColor = Red;
    panelChanged();
}

} // namespace kvt
