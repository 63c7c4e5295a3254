#pragma once

#include "vpn/remote_access.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QTimer;

namespace kvt {

class MainWindowEngine;
class NetworkConfiguration;

// The connection of the main window: the connect procedure of both tunnel modes, the monitor
// that decides a dial's success or failure and shows traffic, the disconnect procedures and
// the redial watchdog. It works on the main window's state (timers, status panel, control
// states, selected line) and on one remote-access service; the window forwards its clicks
// here and shows what changed when the main window engine signals statusPanelChanged,
// controlEnabledChanged and controlTextChanged.
class VpnEngine : public QObject {
    Q_OBJECT
public:
    // Connects the monitor's timers of `window` (dialupstatus, dialupcheck, Timer2, rast12,
    // autodialstatus) to their handlers and sets the window's close steps releaseDial,
    // delrouterlist and destroyRemoteAccess.
    VpnEngine(MainWindowEngine& window, RemoteAccess& remoteAccess, NetworkConfiguration& network,
              QObject* parent = nullptr);
    ~VpnEngine() override;

    // --- What the window sets from its controls ---
    bool rb_pptp = true;    // mode one (PPTP) checked; false: rb_lp2p (mode two, L2TP)
    bool sCheckBox1 = true; // "增强加密": 128-bit encryption in mode one
    // The route type selector: its item index and text (one entry, index 0, at start).
    int routetypeItemIndex = 0;
    QString routetypeText = QStringLiteral("全局加速");

    // --- Advanced settings ("2" on, "1" off; intervals as typed). These are the values a
    // first start loads (the intervals stay empty while their features are off) until the
    // settings dialog sets its own ---
    QString AutoChangeEnabled = QStringLiteral("1");
    QString AutoChangeSeconds;
    QString AutoRedialEnabled = QStringLiteral("1");
    QString AutoRedialSeconds;
    QString MinimizeOnConnect = QStringLiteral("2");

    // --- Connection state ---
    RasHandle DialHandle = 0;
    QString DialEntryName;
    QString DialServerAddress;
    QString DialUniqueId;
    QDateTime ConnectStartTime;
    QString LineMarkNum;
    QString LineQueryCheckcode;
    int OwnAccountDial = 0;
    int RedialCount = 0;       // automatic redials of the run; never reset
    int ExpiryNoticeCount = 0; // expiry reminders shown; reset whenever a dial is decided

    // --- Status panel texts that the main window engine does not hold ---
    QString StatusBar1Panel0;
    QString StatusBar1Panel1;
    quint32 linelabelColor = 0x000000;
    quint32 datalabelColor = 0x000000;

    // --- Handlers ---
    // The connect button `btn_conn`, the line list's menu item "启用连接" and the redial.
    void btn_connClick();
    // The rotation's connect: the same, without starting the automatic line change.
    void btn_conn2Click();
    // The disconnect button `btn_disconn`; also the tray menu's exit while connected.
    void btn_disconnClick();
    // The rotation's disconnect: leaves the automatic line change running.
    void btn_disconn2Click();
    // Hangs up what an earlier dial left running and deletes its entry.
    void ReleaseDial();
    // The mode radio buttons: they only relabel `protocollabel`.
    void rb_pptpClick();
    void rb_lp2pClick();

    void ConnectingControls();
    void IdleControls();

    // Timer ticks (connected to the window's timers; tests call them directly).
    void dialupstatusTimer();
    void dialupcheckTimer();
    void Timer2Timer();
    void rast12Timer();
    void autodialstatusTimer();

    // --- Steps other subsystems provide; each does nothing until set ---
    std::function<void()> minimizeToTray;                 // the tray (Timer2)
    std::function<void(const QString& hint)> setTrayHint; // the tray icon's hint
    std::function<void()> stopBatchSpeedTest;             // end the feeder thread
    std::function<void()> autochangelineTimer;            // the line change tick
    // Waits while the event loop runs; PumpWait unless a test replaces it.
    std::function<void(int ms)> pumpWait;
    // The local time; the clock unless a test replaces it.
    std::function<QDateTime()> now;

    RemoteAccess& remoteAccess() { return ras_; }

private:
    void connectProcedure(bool userConnect);
    bool chooseAccount();
    bool predialQuery();
    void dialStartFailed(int error, const QString& serviceText);
    void disconnectProcedure(bool rotation);
    void connectedBlock(bool full);
    void failureBlock();
    void automaticChangeStep();
    void removeRoutes();
    void setStatus(const QString& text);
    void setStatusRed(const QString& text);
    void panelChanged();
    // A setting's whole number of seconds (AutoChangeSeconds, AutoRedialSeconds); none for
    // a text that is not a number.
    static std::optional<int> settingSeconds(const QString& text);

    MainWindowEngine& mw_;
    RemoteAccess& ras_;
    NetworkConfiguration& network_;
};

} // namespace kvt
