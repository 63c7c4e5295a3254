#include "vpn/vpn_engine.h"

#include "app/main_window_engine.h"
#include "app/pump_wait.h"
#include "app/shared_flags.h"
#include "app/text_choice.h"
#include "netcfg/network_configuration.h"

#include <QTimer>

namespace kvt {

namespace {
constexpr quint32 Red = 0xFF0000;
} // namespace

VpnEngine::VpnEngine(MainWindowEngine& window, RemoteAccess& remoteAccess,
                     NetworkConfiguration& network, QObject* parent)
    : QObject(parent), mw_(window), ras_(remoteAccess), network_(network) {
    pumpWait = [](int ms) {
        PumpWait(ms);
    };
    now = [] {
        return QDateTime::currentDateTime();
    };
    connect(&mw_.dialupstatus, &QTimer::timeout, this, &VpnEngine::dialupstatusTimer);
    connect(&mw_.dialupcheck, &QTimer::timeout, this, &VpnEngine::dialupcheckTimer);
    connect(&mw_.Timer2, &QTimer::timeout, this, &VpnEngine::Timer2Timer);
    connect(&mw_.rast12, &QTimer::timeout, this, &VpnEngine::rast12Timer);
    connect(&mw_.autodialstatus, &QTimer::timeout, this, &VpnEngine::autodialstatusTimer);
    mw_.releaseDial = [this] {
        ReleaseDial();
    };
    mw_.delrouterlist = [this] {
        try {
            network_.delrouterlist();
        } catch (...) {
        }
    };
    mw_.destroyRemoteAccess = [this] {
        ras_.destroy();
    };
}

VpnEngine::~VpnEngine() {
    mw_.releaseDial = nullptr;
    mw_.delrouterlist = nullptr;
    mw_.destroyRemoteAccess = nullptr;
    for (QTimer* timer :
         {&mw_.dialupstatus, &mw_.dialupcheck, &mw_.Timer2, &mw_.rast12, &mw_.autodialstatus})
        timer->disconnect(this);
}

std::optional<int> VpnEngine::settingSeconds(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        return std::nullopt;
    // Large enough for any interval a person types, small enough for a timer's milliseconds.
    return qBound(-2000000, value, 2000000);
}

void VpnEngine::panelChanged() {
    Q_EMIT mw_.statusPanelChanged();
}

void VpnEngine::setStatus(const QString& text) {
    mw_.statuslabel = text;
    panelChanged();
}

void VpnEngine::setStatusRed(const QString& text) {
    mw_.statuslabelColor = Red;
    setStatus(text);
}

void VpnEngine::rb_pptpClick() {
    rb_pptp = true;
    mw_.protocollabel = Tr("Protocol: Mode one", "模式: 模式一");
    panelChanged();
}

void VpnEngine::rb_lp2pClick() {
    rb_pptp = false;
    mw_.protocollabel = Tr("Protocol: Mode two", "模式: 模式二");
    panelChanged();
}

void VpnEngine::ConnectingControls() {
    for (const char* control :
         {"IPAddrTxt", "AreaTxt2", "routetype", "sCheckBox1", "btn_conn", "rb_pptp", "rb_lp2p",
          "cesu", "btn_speed", "vt1", "linenametxt", "linenamesearch"})
        mw_.setControlEnabled(QLatin1String(control), false);
    mw_.setControlEnabled(QStringLiteral("btn_disconn"), true);
}

void VpnEngine::IdleControls() {
    mw_.setControlEnabled(QStringLiteral("btn_speed"), true);
    mw_.setControlEnabled(QStringLiteral("vt1"), true);
    mw_.rast12.stop();
    mw_.statuscheck.stop();
    mw_.datecheck.stop();
    VpnConnected = 0;
    for (const char* control : {"IPAddrTxt", "AreaTxt2", "routetype", "sCheckBox1", "btn_conn"})
        mw_.setControlEnabled(QLatin1String(control), true);
    mw_.setControlEnabled(QStringLiteral("btn_disconn"), false);
    for (const char* control : {"rb_pptp", "rb_lp2p", "cesu", "linenametxt", "linenamesearch"})
        mw_.setControlEnabled(QLatin1String(control), true);
    VpnConnected = 0;
}

void VpnEngine::removeRoutes() {
    if (RoutesAdded != 1)
        return;
    try {
        network_.delrouterlist();
    } catch (...) {
    }
    RoutesAdded = 0;
}

} // namespace kvt
