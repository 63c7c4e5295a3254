// Time from the connect click to a running pppd, and the cost of one tick of the connection
// monitor. pppd is the stand-in of tests/fixtures (the machine has no PPP); the line has mark
// "1", so no pre-dial query is sent. Prints medians.
#include "app/main_window_engine.h"
#include "app/shared_flags.h"
#include "backend/session_state.h"
#include "lines/line_catalogue.h"
#include "netcfg/network_configuration.h"
#include "scrambler.h"
#include "vpn/linux/pppd_remote_access.h"
#include "vpn/vpn_engine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace kvt;

namespace {

constexpr int kConnects = 40;
constexpr int kTicks = 20000;

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

template <typename Condition>
bool waitFor(Condition condition, int timeoutMs = 20000) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Microseconds per call of `tick`, median of 9 rounds of kTicks / 9 calls.
template <typename Tick>
double microsecondsPerTick(Tick tick) {
    QList<double> rounds;
    for (int r = 0; r < 9; ++r) {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kTicks / 9; ++i)
            tick();
        rounds << double(t.nsecsElapsed()) / 1000.0 / (kTicks / 9);
    }
    return median(rounds);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString fixtures = QFileInfo(QStringLiteral(__FILE__))
                                 .dir()
                                 .absoluteFilePath(QStringLiteral("../tests/fixtures"));
    QTemporaryDir dir;
    PppdConfig config;
    config.peersDir = dir.filePath(QStringLiteral("peers"));
    config.runDir = dir.filePath(QStringLiteral("run"));
    config.pppd = fixtures + QStringLiteral("/stand-in-pppd");
    config.pptp = fixtures + QStringLiteral("/stand-in-pptp");
    config.sysfsNetRoot = dir.filePath(QStringLiteral("sys"));
    QDir().mkpath(config.sysfsNetRoot + QStringLiteral("/ppp0/statistics"));
    for (const char* name : {"/tx_bytes", "/rx_bytes"}) {
        QFile f(config.sysfsNetRoot + QStringLiteral("/ppp0/statistics") + QLatin1String(name));
        f.open(QIODevice::WriteOnly);
        f.write("123456789\n");
    }
    if (!QFile::exists(config.pppd)) {
        std::printf("stand-in pppd not found at %s\n", qPrintable(config.pppd));
        return 1;
    }

    SessionState& s = Session();
    s.LoginUser = QStringLiteral("demo");
    s.LoginPassword = QStringLiteral("demo123");
    ReplaceLineCatalogue(QStringLiteral("[Bench]\nline1=") +
                         QString::fromStdString(server::scrambleShort("203.0.113.7")) +
                         QStringLiteral(",45%,0,1,0\n"));

    PppdRemoteAccess ras(config);
    InactiveNetworkConfiguration network;
    MainWindowEngine mw;
    VpnEngine vpn(mw, ras, network);
    mw.AreaTxt2 = {QStringLiteral("Bench")};
    mw.AreaTxt2Index = 0;
    mw.AreaTxt2Change();
    mw.IPAddrTxtIndex = 0;

    // Click to pppd started: btn_connClick returns once pppd's process runs. The previous dial
    // is ended outside the timed part, so ReleaseDial finds nothing to hang up.
    QList<double> connects;
    for (int i = 0; i < kConnects; ++i) {
        QElapsedTimer t;
        t.start();
        vpn.btn_connClick();
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (vpn.DialHandle == 0 || !ras.dialer().isRunning(vpn.DialHandle)) {
            std::printf("dial did not start: %s\n", qPrintable(mw.statuslabel));
            return 1;
        }
        connects << ms;
        if (!waitFor([&] { return ras.connection().ConnectState == RasStateConnected; })) {
            std::printf("stand-in did not connect\n");
            return 1;
        }
        vpn.btn_disconnClick();
    }

    // One more dial, left undecided for the undecided tick and connected for the others.
    qputenv("KVT_STANDIN_SCENARIO", "undecided");
    vpn.btn_connClick();
    waitFor([&] { return ras.connection().ConnectState == RasStateAllDevicesConnected; });
    const double undecided = microsecondsPerTick([&] { vpn.dialupstatusTimer(); });
    const double checkTimer2 = microsecondsPerTick([&] { vpn.Timer2Timer(); });
    vpn.btn_disconnClick();
    qunsetenv("KVT_STANDIN_SCENARIO");
    vpn.btn_connClick();
    waitFor([&] { return ras.connection().ConnectState == RasStateConnected; });
    vpn.dialupstatusTimer(); // the connected block
    const double traffic = microsecondsPerTick([&] { vpn.rast12Timer(); });
    const double watchdog = microsecondsPerTick([&] { vpn.autodialstatusTimer(); });
    vpn.btn_disconnClick();

    std::printf("connect click to pppd started (median of %d): %.2f ms (min %.2f, max %.2f)\n",
                kConnects, median(connects), *std::min_element(connects.begin(), connects.end()),
                *std::max_element(connects.begin(), connects.end()));
    std::printf("dialupstatus tick, dial undecided: %.2f us\n", undecided);
    std::printf("Timer2 tick, not yet connected: %.2f us\n", checkTimer2);
    std::printf("rast12 tick, connected (reads two sysfs files): %.2f us\n", traffic);
    std::printf("autodialstatus tick, connected: %.2f us\n", watchdog);
    return 0;
}
