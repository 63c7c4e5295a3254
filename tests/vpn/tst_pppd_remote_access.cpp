// The remote-access service over pppd: entries as peers files, dials and their states, hang-up
// and traffic. This kernel has no PPP, so pppd, pptp and xl2tpd are the stand-ins of
// tests/fixtures, which take the real arguments, print the real programs' messages and exit
// with their real exit status.

#include "stand_in_ppp.h"
#include "test_paths.h"
#include "vpn/linux/pppd_remote_access.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <csignal>
#include <memory>
#include <sys/stat.h>

using namespace kvt;
using kvt::test::fixturesDir;

namespace {

constexpr int WaitMs = 20000;

int modeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeText(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// Whether a process runs: it exists and is not a zombie waiting for whoever adopted it.
bool processAlive(const QByteArray& pid) {
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid)));
    const qsizetype close = stat.lastIndexOf(')');
    return close > 0 && stat.size() > close + 2 && stat.at(close + 2) != 'Z';
}

} // namespace

class TestPppdRemoteAccess : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    PppdConfig config;
    std::unique_ptr<PppdRemoteAccess> ras;

    QString record() const { return dir->filePath(QStringLiteral("record")); }
    RasConnection& connection() { return ras->connection(); }

    // Writes an entry as the connect procedure does.
    int putEntry(const QString& name, bool l2tp = false,
                 const QString& server = QStringLiteral("203.0.113.7")) {
        RasEntryEditor& editor = ras->entryEditor();
        editor.PPPDefault();
        editor.VpnStrategy = l2tp ? VpnStrategyL2tpOnly : VpnStrategyPptpOnly;
        editor.LocalPhoneNumber = server;
        editor.UserName = QStringLiteral("demo");
        editor.Password = QStringLiteral("demo 123");
        editor.RequireDataEncryption = true;
        editor.EncryptionType = EncryptionType128Bit;
        editor.RequireMsCHAP2 = true;
        const int r = editor.PutAllEntryProps(name);
        return r != 0 ? r : editor.PutDialProps(name);
    }

    RasHandle dial(const QString& name) {
        connection().EntryName = name;
        RasHandle handle = 0;
        if (connection().GetDialParams() != 0 || connection().AutoConnectEx(handle) != 0)
            return 0;
        return handle;
    }

    // pids of the stand-in runs, oldest first.
    QStringList runs(const char* file = "runs") const {
        return QString::fromLatin1(readAll(record() + QLatin1Char('/') + QLatin1String(file)))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QStringList argvOf(const QString& pid) const {
        return QString::fromUtf8(readAll(record() + QLatin1Char('/') + pid + ".argv"))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private Q_SLOTS:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir().mkpath(record()));
        config = kvt::test::standInPppdConfig(QDir(dir->path()), record());
        ras = std::make_unique<PppdRemoteAccess>(config);
    }
    void cleanup() {
        ras.reset(); // hangs up whatever still runs
        dir.reset();
    }

    void entriesArePrivatePeersFiles() {
        const QString name = QStringLiteral("0105973456");
        QCOMPARE(connection().ValidateName(name), 0);
        QCOMPARE(putEntry(name), 0);
        const QString path = config.peersDir + QLatin1Char('/') + name;
        QCOMPARE(modeOf(path), 0600);
        QCOMPARE(modeOf(config.peersDir), 0700);
        QVERIFY(readAll(path).contains("password \"demo 123\""));
        QCOMPARE(connection().ValidateName(name), RasErrorAlreadyExists);
        QCOMPARE(connection().ValidateName(QString()), RasErrorInvalidName);

        connection().EntryName = name;
        QCOMPARE(connection().GetEntryProperties(), 0);
        QCOMPARE(connection().PhoneCanonical, QStringLiteral("203.0.113.7"));
        QCOMPARE(connection().DeletePhonebook(), 0);
        QVERIFY(connection().EntryName.isEmpty());
        QVERIFY(!QFile::exists(path));
        connection().EntryName = name;
        QCOMPARE(connection().DeletePhonebook(), RasErrorEntryNotFound);
        QCOMPARE(connection().GetDialParams(), RasErrorEntryNotFound);
        QCOMPARE(ras->entryEditor().PutDialProps(name), RasErrorEntryNotFound);
    }

    void refusedValueWritesNothing() {
        const QString name = QStringLiteral("0105973457");
        RasEntryEditor& editor = ras->entryEditor();
        editor.PPPDefault();
        editor.LocalPhoneNumber = QStringLiteral("1.2.3.4");
        editor.UserName = QStringLiteral("demo");
        editor.Password = QStringLiteral("x\nplugin /tmp/evil.so");
        QCOMPARE(editor.PutAllEntryProps(name), RasErrorValueRefused);
        QVERIFY(editor.StatusStr.contains(QStringLiteral("password")));
        QVERIFY(!QFile::exists(config.peersDir + QLatin1Char('/') + name));
    }

    void dialOutcomes_data() {
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<int>("state");
        QTest::newRow("connected") << QByteArray("connected") << RasStateConnected;
        QTest::newRow("wrong password") << QByteArray("wrong-password") << 691;
        QTest::newRow("server not authenticated") << QByteArray("peer-auth") << 930;
        QTest::newRow("no route") << QByteArray("unreachable") << 800;
        QTest::newRow("refused") << QByteArray("refused") << 800;
        QTest::newRow("silent server") << QByteArray("timeout") << 800;
        QTest::newRow("lcp failure") << QByteArray("lcp-failure") << 619;
        QTest::newRow("loopback") << QByteArray("loopback") << 720;
        QTest::newRow("options error") << QByteArray("fatal") << 633;
        QTest::newRow("idle timeout") << QByteArray("exit:12") << RasStateDisconnected;
    }
    void dialOutcomes() {
        QFETCH(QByteArray, scenario);
        QFETCH(int, state);
        qputenv("KVT_STANDIN_SCENARIO", scenario);
        const QString name = QStringLiteral("0105973458");
        QCOMPARE(putEntry(name), 0);
        const RasHandle handle = dial(name);
        QVERIFY(handle != 0);
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), state, WaitMs);
        // pppd gets the entry by an argument vector, never a command line.
        QTRY_COMPARE_WITH_TIMEOUT(runs().size(), 1, WaitMs);
        QCOMPARE(argvOf(runs().first()),
                 (QStringList{"file", config.peersDir + "/" + name, "nodetach"}));
        QCOMPARE(connection().CurrentStatusEx(handle), 0);
        QCOMPARE(int(connection().ConnectState), state);
        if (state != RasStateConnected) {
            QTRY_VERIFY_WITH_TIMEOUT(!ras->dialer().isRunning(handle), WaitMs);
            QCOMPARE(connection().GetProtocolEx(handle), RasErrorPortNotConnected);
            return;
        }
        QCOMPARE(connection().GetMessText(), QStringLiteral("Connected/Online"));
        QCOMPARE(connection().GetProtocolEx(handle), 0);
        QCOMPARE(connection().ClientIP, QStringLiteral("10.100.0.10"));
        QCOMPARE(connection().GetConnection(), 0);
        QCOMPARE(connection().CurConnName, name);
        QCOMPARE(connection().CurRasConn, handle);
        QCOMPARE(connection().DisconnectEx(handle, true, 3000), 0);
        QVERIFY(!ras->dialer().isRunning(handle));
        QCOMPARE(int(connection().ConnectState), RasStateDisconnected);
        QCOMPARE(connection().GetConnection(), 0);
        QCOMPARE(connection().CurRasConn, RasHandle(0));
    }

    void linkDropsAfterConnect_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("peer ends the link") << int(SIGUSR1);
        QTest::newRow("hang-up by signal") << int(SIGHUP);
    }
    void linkDropsAfterConnect() {
        QFETCH(int, signal);
        const QString name = QStringLiteral("0105973459");
        QCOMPARE(putEntry(name), 0);
        const RasHandle handle = dial(name);
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateConnected, WaitMs);
        ::kill(pid_t(ras->dialer().processId(handle)), signal);
        // Exit 16 after the link was up reads as disconnected, not as an error.
        QTRY_VERIFY_WITH_TIMEOUT(!ras->dialer().isRunning(handle), WaitMs);
        QCOMPARE(int(connection().ConnectState), RasStateDisconnected);
    }

    void silentHangUpLeavesConnectState() {
        const QString name = QStringLiteral("0105973460");
        QCOMPARE(putEntry(name), 0);
        const RasHandle handle = dial(name);
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateConnected, WaitMs);
        QCOMPARE(connection().DisconnectEx(handle, false, 3000), 0);
        QCOMPARE(int(connection().ConnectState), RasStateConnected);
        QCOMPARE(connection().CurrentStatusEx(handle), 0);
        QCOMPARE(int(connection().ConnectState), RasStateDisconnected);
    }

    void hangUpEndsAStubbornDialByForce() {
        qputenv("KVT_STANDIN_SCENARIO", "ignore-term");
        const QString name = QStringLiteral("0105973461");
        QCOMPARE(putEntry(name), 0);
        const RasHandle handle = dial(name);
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateConnectDevice, WaitMs);
        QCOMPARE(connection().DisconnectEx(handle, true, 200), 0);
        QVERIFY(!ras->dialer().isRunning(handle));
        QCOMPARE(int(connection().ConnectState), RasStateDisconnected);
    }

    // A pty helper that misses pppd's end (pptp once stayed, copying nothing, after pppd had
    // gone) is ended with the dial, however the dial ends.
    void helpersLeftByPppdEndWithTheDial_data() {
        QTest::addColumn<bool>("userHangUp");
        QTest::newRow("our hang-up") << true;
        QTest::newRow("the link drops") << false;
    }
    void helpersLeftByPppdEndWithTheDial() {
        QFETCH(bool, userHangUp);
        const QString pidFile = dir->filePath(QStringLiteral("pty-helper"));
        qputenv("KVT_STANDIN_PTY_LEFT", QFile::encodeName(pidFile));
        const QString name = QStringLiteral("0105973464");
        QCOMPARE(putEntry(name), 0);
        const RasHandle handle = dial(name);
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateConnected, WaitMs);
        qunsetenv("KVT_STANDIN_PTY_LEFT");
        const QByteArray helper = readAll(pidFile).trimmed();
        QVERIFY(!helper.isEmpty());
        QVERIFY(processAlive(helper));
        if (userHangUp)
            QCOMPARE(connection().DisconnectEx(handle, true, 3000), 0);
        else
            ::kill(pid_t(ras->dialer().processId(handle)), SIGUSR1);
        QTRY_VERIFY_WITH_TIMEOUT(!ras->dialer().isRunning(handle), WaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(!processAlive(helper), WaitMs);
    }

    void unknownHandles() {
        QCOMPARE(connection().CurrentStatusEx(0), RasErrorInvalidHandle);
        QCOMPARE(int(connection().ConnectState), RasStateUnknown);
        QCOMPARE(connection().CurrentStatusEx(4711), RasErrorInvalidHandle);
        QCOMPARE(int(connection().ConnectState), RasStateUnknown);
        QCOMPARE(connection().DisconnectEx(4711, true, 3000), RasErrorInvalidHandle);
        QCOMPARE(connection().GetProtocolEx(0), RasErrorInvalidHandle);
    }

    void missingProgramsStopTheDialStart_data() {
        QTest::addColumn<bool>("l2tp");
        QTest::addColumn<QString>("missing");
        QTest::addColumn<QString>("text");
        QTest::newRow("pppd") << false << "pppd"
                              << "pppd was not found";
        QTest::newRow("pppd, mode two") << true << "pppd"
                                        << "pppd was not found";
        QTest::newRow("pptp") << false << "pptp"
                              << "pptp was not found";
        QTest::newRow("xl2tpd") << true << "xl2tpd"
                                << "xl2tpd was not found";
    }
    void missingProgramsStopTheDialStart() {
        QFETCH(bool, l2tp);
        QFETCH(QString, missing);
        QFETCH(QString, text);
        const QString absent = dir->filePath(QStringLiteral("no-such-") + missing);
        if (missing == u"pppd")
            config.pppd = absent;
        else if (missing == u"pptp")
            config.pptp = QStringLiteral("kvt-no-such-pptp"); // searched, not found
        else
            config.xl2tpd = absent;
        ras = std::make_unique<PppdRemoteAccess>(config);
        const QString name = QStringLiteral("0105973462");
        QCOMPARE(putEntry(name, l2tp), 0);
        connection().EntryName = name;
        QCOMPARE(connection().GetDialParams(), 0);
        RasHandle handle = 0;
        QCOMPARE(connection().AutoConnectEx(handle), RasErrorNoProgram);
        QCOMPARE(handle, RasHandle(0));
        QVERIFY2(connection().StatusStr.contains(text), qPrintable(connection().StatusStr));
        QVERIFY(runs().isEmpty());
        QVERIFY(runs("xl2tpd-runs").isEmpty());
    }

    void modeTwoRunsAnXl2tpdOfItsOwn() {
        QUdpSocket holder; // 1701 taken, here or by someone else: another port is used
        holder.bind(QHostAddress::AnyIPv4, 1701, QAbstractSocket::DontShareAddress);
        const QString name = QStringLiteral("0105973463");
        QCOMPARE(putEntry(name, true), 0);
        const QByteArray entryText = readAll(config.peersDir + QLatin1Char('/') + name);
        const RasHandle handle = dial(name);
        QVERIFY(handle != 0);
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateConnected, WaitMs);

        QCOMPARE(runs("xl2tpd-runs").size(), 1);
        const QByteArray conf =
            readAll(record() + QLatin1Char('/') + runs("xl2tpd-runs").first() + ".xl2tpd.conf");
        QVERIFY(conf.contains("\nlns = 203.0.113.7\n"));
        QVERIFY(!conf.contains("\nport = 1701\n"));
        QVERIFY(conf.contains("\nport = "));
        // pppd reads a private copy in the run folder: the entry goes once the link is up.
        const QStringList runDirs =
            QDir(config.runDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(runDirs.size(), 1);
        const QString runDir = config.runDir + QLatin1Char('/') + runDirs.first();
        QVERIFY(conf.contains("\npppoptfile = " + QFile::encodeName(runDir) + "/options\n"));
        QCOMPARE(modeOf(runDir), 0700);
        QCOMPARE(modeOf(runDir + QStringLiteral("/options")), 0600);
        QCOMPARE(runs().size(), 1);
        QVERIFY(argvOf(runs().first()).contains(runDir + QStringLiteral("/options")));
        QCOMPARE(readAll(record() + QLatin1Char('/') + runs().first() + ".options"), entryText);

        QCOMPARE(connection().DisconnectEx(handle, true, 3000), 0);
        QCOMPARE(int(connection().ConnectState), RasStateDisconnected);
        QVERIFY(!QFile::exists(runDir));
    }

    void modeTwoFailures_data() {
        QTest::addColumn<QByteArray>("pppdScenario");
        QTest::addColumn<QByteArray>("tunnelScenario");
        QTest::addColumn<int>("state");
        QTest::newRow("wrong password")
            << QByteArray("wrong-password") << QByteArray("tunnel") << 691;
        QTest::newRow("server silent")
            << QByteArray("connected") << QByteArray("tunnel-timeout") << 800;
    }
    void modeTwoFailures() {
        QFETCH(QByteArray, pppdScenario);
        QFETCH(QByteArray, tunnelScenario);
        QFETCH(int, state);
        qputenv("KVT_STANDIN_SCENARIO", pppdScenario);
        qputenv("KVT_STANDIN_XL2TPD_SCENARIO", tunnelScenario);
        const QString name = QStringLiteral("0105973464");
        QCOMPARE(putEntry(name, true), 0);
        const RasHandle handle = dial(name);
        QVERIFY(handle != 0);
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), state, WaitMs);
        // The daemon of the dial is ended once its pppd is gone, and its folder removed.
        QTRY_VERIFY_WITH_TIMEOUT(!ras->dialer().isRunning(handle), WaitMs);
        QCOMPARE(int(connection().ConnectState), state);
        QTRY_VERIFY_WITH_TIMEOUT(
            QDir(config.runDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty(), WaitMs);
    }

    void trafficFromInterfaceStatistics() {
        const QString stats = config.sysfsNetRoot + QStringLiteral("/ppp7/statistics");
        QVERIFY(QDir().mkpath(stats));
        QVERIFY(writeText(stats + "/tx_bytes", "5000\n"));
        QVERIFY(writeText(stats + "/rx_bytes", "7000\n"));
        qputenv("KVT_STANDIN_INTERFACE", "ppp7");
        const QString name = QStringLiteral("0105973465");
        QCOMPARE(putEntry(name), 0);
        const RasHandle handle = dial(name);
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateConnected, WaitMs);

        RasTrafficMeter& meter = ras->trafficMeter();
        meter.PerfRasConn[1] = handle;
        meter.GetPerfStats();
        QCOMPARE(meter.PerfXmitCur[0], 5000u);
        QCOMPARE(meter.PerfRecvCur[0], 7000u);
        meter.ResetPerfStats();
        QCOMPARE(meter.PerfXmitCur[0], 0u);
        QVERIFY(writeText(stats + "/tx_bytes", "6500\n"));
        QVERIFY(writeText(stats + "/rx_bytes", "7100\n"));
        meter.GetPerfStats();
        QCOMPARE(meter.PerfXmitCur[0], 1500u);
        QCOMPARE(meter.PerfRecvCur[0], 100u);
        // The meter's counters are 32 bits wide.
        QVERIFY(writeText(stats + "/tx_bytes", QByteArray::number(6500ull + (1ull << 32) + 7)));
        meter.GetPerfStats();
        QCOMPARE(meter.PerfXmitCur[0], 1507u);

        meter.PerfRasConn[1] = 0;
        meter.GetPerfStats();
        QCOMPARE(meter.PerfXmitCur[0], 0u);
        QCOMPARE(meter.PerfRecvCur[0], 0u);
    }

    void destroyEndsDialsAndRemovesEntries() {
        const QString name = QStringLiteral("0105973466");
        QCOMPARE(putEntry(name), 0);
        const RasHandle handle = dial(name);
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateConnected, WaitMs);
        ras->destroy();
        QVERIFY(!ras->dialer().isRunning(handle));
        QVERIFY(!QFile::exists(config.peersDir + QLatin1Char('/') + name));
    }

    void configurationFromTheEnvironment() {
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("KVT_PEERS_DIR", "/tmp/kvt-peers");
        qputenv("KVT_PPPD", "/opt/ppp/pppd");
        qputenv("KVT_PPTP", "/opt/pptp");
        qputenv("KVT_XL2TPD", "/opt/xl2tpd");
        qputenv("KVT_SYSFS_NET", "/tmp/sys");
        qputenv("XDG_RUNTIME_DIR", "/run/user/4711");
        qunsetenv("KVT_RUN_DIR");
        const PppdConfig c = PppdConfig::fromEnvironment();
        for (const char* name : {"KVT_PEERS_DIR", "KVT_PPTP", "KVT_XL2TPD", "KVT_SYSFS_NET"})
            qunsetenv(name);
        if (runtime.isEmpty())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", runtime);
        QCOMPARE(c.peersDir, QStringLiteral("/tmp/kvt-peers"));
        QCOMPARE(c.runDir, QStringLiteral("/run/user/4711/kvt/run"));
        QCOMPARE(c.pppd, QStringLiteral("/opt/ppp/pppd"));
        QCOMPARE(c.pptp, QStringLiteral("/opt/pptp"));
        QCOMPARE(c.xl2tpd, QStringLiteral("/opt/xl2tpd"));
        QCOMPARE(c.sysfsNetRoot, QStringLiteral("/tmp/sys"));
        QCOMPARE(ResolveProgram(QStringLiteral("/opt/ppp/pppd")), QString());
        QCOMPARE(ResolveProgram(QStringLiteral("sh")).isEmpty(), false);
    }
};

QTEST_GUILESS_MAIN(TestPppdRemoteAccess)
#include "tst_pppd_remote_access.moc"
