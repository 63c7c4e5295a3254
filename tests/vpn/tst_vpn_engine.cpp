// The connect procedure, the connection monitor, disconnect and redial, driven through the
// main window engine's state with the pppd remote-access service. This kernel has no PPP, so
// pppd, pptp and xl2tpd are the stand-ins of tests/fixtures (real arguments, real messages,
// real exit status). The pre-dial query goes to the reference backend, or to a recording server
// where a test needs an answer the backend would never give. Timer handlers are called
// directly; nothing waits for a timer's interval.

#include "app/main_window_engine.h"
#include "app/main_window_texts.h"
#include "app/shared_flags.h"
#include "app/ui_language.h"
#include "backend/deployment.h"
#include "backend/md5_hex.h"
#include "backend/session_keys.h"
#include "backend/session_state.h"
#include "lines/line_catalogue.h"
#include "lines/line_list_model.h"
#include "netcfg/network_configuration.h"
#include "recording_http_server.h"
#include "recording_prompts.h"
#include "reference_server.h"
#include "scrambler.h"
#include "signed_in_session.h"
#include "stand_in_ppp.h"
#include "temp_settings.h"
#include "test_paths.h"
#include "vpn/dial_names.h"
#include "vpn/linux/pppd_remote_access.h"
#include "vpn/predial_answer.h"
#include "vpn/traffic_text.h"
#include "vpn/vpn_engine.h"
#include "vpn/vpn_texts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <stdexcept>

using namespace kvt;
using namespace kvt::test;

namespace {

constexpr int WaitMs = 20000;
const QString Area = QStringLiteral("测试区");
const QString Script = QStringLiteral("/sysadmin/useradmin/ipcheckkvt802.php");

// A catalogue line: scrambled address, online rate, 0, mark (no mark: three fields only).
QString line(const char* name, const std::string& address, const char* mark) {
    QString value = QString::fromStdString(server::scrambleShort(address)) + ",45%,0";
    if (mark)
        value += QStringLiteral(",") + QLatin1String(mark) + QStringLiteral(",0");
    return QString::fromUtf8(name) + QLatin1Char('=') + value + QLatin1Char('\n');
}

// The lines of the tests. The reference backend knows 127.0.0.14 (mark 2, pool accounts),
// 127.0.0.23 (mark 9, named) and 127.0.0.33 (mark 0, own account); 127.0.0.51 it does not.
QString catalogueText() {
    QString text = QStringLiteral("[") + Area + QStringLiteral("]\n");
    text += line("own", "127.0.0.11", "1");
    text += line("realm3", "127.0.0.13", "3");
    text += line("realm5", "127.0.0.13", "5");
    text += line("realm7", "127.0.0.13", "7");
    text += line("pool", "127.0.0.14", "2");
    text += line("named", "127.0.0.23", "9");
    text += line("server-own", "127.0.0.33", "0");
    text += line("mark8", "127.0.0.51", "8");
    text += line("nomark", "127.0.0.52", nullptr);
    text += line("spaced", "1.2.3.4 --phone x", "1");
    text += line("shell", "$(reboot)", "1");
    text += QStringLiteral("empty=\n");
    return text;
}

// The value of an option in a pppd options file, its quoting undone.
QString pppdOption(const QByteArray& text, const QByteArray& name) {
    for (const QByteArray& l : text.split('\n')) {
        if (!l.startsWith(name + ' '))
            continue;
        const QByteArray rest = l.mid(name.size() + 1);
        if (!rest.startsWith('"'))
            return QString::fromUtf8(rest);
        QByteArray value;
        for (qsizetype i = 1; i < rest.size(); ++i) {
            if (rest[i] == '\\' && i + 1 < rest.size())
                value += rest[++i];
            else if (rest[i] == '"')
                break;
            else
                value += rest[i];
        }
        return QString::fromUtf8(value);
    }
    return {};
}

class RecordingNetwork final : public NetworkConfiguration {
public:
    void addrouterlist() override {
        ++added;
        if (fail)
            throw std::runtime_error("route table not readable");
    }
    void delrouterlist() override {
        ++removed;
        if (fail)
            throw std::runtime_error("route table not readable");
    }
    int added = 0;
    int removed = 0;
    bool fail = false;
};

} // namespace

class TestVpnEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<InProcessServer> backend;
    std::unique_ptr<RecordingHttpServer> recorder;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<RecordingPrompts> prompts;
    std::unique_ptr<TempSettings> settings;
    PppdConfig config;
    std::unique_ptr<PppdRemoteAccess> ras;
    RecordingNetwork network;
    std::unique_ptr<MainWindowEngine> mw;
    std::unique_ptr<VpnEngine> vpn;
    QDateTime clock;
    int minimized = 0;
    int speedTestStops = 0;
    int changeTicks = 0;
    QStringList trayHints;

    QString record() const { return dir->filePath(QStringLiteral("record")); }
    QStringList runs(const char* file = "runs") const {
        QFile f(record() + QLatin1Char('/') + QLatin1String(file));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QByteArray lastOptions() const {
        const QStringList pids = runs();
        if (pids.isEmpty())
            return {};
        QFile f(record() + QLatin1Char('/') + pids.last() + QStringLiteral(".options"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList entries() const { return QDir(config.peersDir).entryList(QDir::Files); }
    RasConnection& connection() { return ras->connection(); }

    void makeEngine() {
        vpn.reset();
        mw.reset();
        ras = std::make_unique<PppdRemoteAccess>(config);
        mw = std::make_unique<MainWindowEngine>();
        mw->exitProcess = [](int) {
        };
        vpn = std::make_unique<VpnEngine>(*mw, *ras, network);
        vpn->pumpWait = [](int) {
        };
        vpn->now = [this] {
            return clock;
        };
        vpn->minimizeToTray = [this] {
            ++minimized;
        };
        vpn->stopBatchSpeedTest = [this] {
            ++speedTestStops;
        };
        vpn->autochangelineTimer = [this] {
            ++changeTicks;
        };
        vpn->setTrayHint = [this](const QString& hint) {
            trayHints << hint;
        };
        mw->AreaTxt2 = {Area};
        mw->AreaTxt2Index = 0;
        mw->AreaTxt2Change();
    }

    void selectLine(const QString& name) {
        mw->IPAddrTxtIndex = int(mw->IPAddrTxt.indexOf(name));
        QVERIFY(mw->IPAddrTxtIndex >= 0);
    }

    // Connects the line and waits until the stand-in reports the connection.
    void connectUp(const QString& name) {
        selectLine(name);
        vpn->btn_connClick();
        QVERIFY(vpn->DialHandle != 0);
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateConnected, WaitMs);
    }

    bool enabled(const char* control) const { return mw->isControlEnabled(QLatin1String(control)); }
    void verifyIdleControls() {
        for (const char* c :
             {"IPAddrTxt", "AreaTxt2", "routetype", "sCheckBox1", "btn_conn", "rb_pptp", "rb_lp2p",
              "cesu", "btn_speed", "vt1", "linenametxt", "linenamesearch"})
            QVERIFY2(enabled(c), c);
        QVERIFY(!enabled("btn_disconn"));
        QCOMPARE(VpnConnected, 0);
    }
    void verifyConnectingControls() {
        for (const char* c :
             {"IPAddrTxt", "AreaTxt2", "routetype", "sCheckBox1", "btn_conn", "rb_pptp", "rb_lp2p",
              "cesu", "btn_speed", "vt1", "linenametxt", "linenamesearch"})
            QVERIFY2(!enabled(c), c);
        QVERIFY(enabled("btn_disconn"));
    }

private Q_SLOTS:
    void initTestCase() {
        backend = std::make_unique<InProcessServer>();
        recorder = std::make_unique<RecordingHttpServer>();
    }
    void cleanupTestCase() {
        recorder.reset();
        backend.reset();
    }

    void init() {
        UiLanguage = 0;
        VpnConnected = 0;
        RoutesAdded = 0;
        SpeedTestRunning = 0;
        network = RecordingNetwork{};
        minimized = speedTestStops = changeTicks = 0;
        trayHints.clear();
        clock = QDateTime(QDate(2025, 1, 5), QTime(9, 7, 3, 456));
        SignInAs(QStringLiteral("demo"), QStringLiteral("demo123"), backend->mainHost());
        ReplaceLineCatalogue(catalogueText());
        recorder->clearRequests();
        recorder->setDefaultAnswer(CannedAnswer::text(OwnAccountToken));

        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(record()));
        config = kvt::test::standInPppdConfig(QDir(dir->path()), record());
        prompts = std::make_unique<RecordingPrompts>();
        settings = std::make_unique<TempSettings>();
        makeEngine();
    }
    void cleanup() {
        vpn.reset();
        mw.reset();
        ras.reset();
        prompts.reset();
        settings.reset();
        dir.reset();
        VpnConnected = 0;
        RoutesAdded = 0;
        SpeedTestRunning = 0;
        UiLanguage = 0;
    }

    // --- the connect procedure ---

    void noLineSelectedOnlyMovesTheFocus() {
        mw->IPAddrTxtIndex = -1;
        vpn->btn_connClick();
        QCOMPARE(prompts->focused, QStringList{QStringLiteral("IPAddrTxt")});
        QVERIFY(enabled("btn_conn"));
        QVERIFY(!mw->dialupstatus.isActive());
        QVERIFY(runs().isEmpty());
    }

    // Mended: the window used to stay in the connecting state until Disconnect was pressed.
    void lineWithoutValueReturnsToIdle() {
        selectLine(QStringLiteral("empty"));
        vpn->btn_connClick();
        QCOMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages.first().text, QStringLiteral("发生错误，请关闭程序再重新运行"));
        verifyIdleControls();
        QCOMPARE(mw->statuslabel, QStringLiteral("连接已经断开"));
        QVERIFY(runs().isEmpty());
    }

    void accountByMarkNumber_data() {
        QTest::addColumn<QString>("lineName");
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("queries");
        QTest::newRow("mark 1") << "own"
                                << "demo" << 0;
        QTest::newRow("mark 3") << "realm3"
                                << "quorvane03\\demo" << 0;
        QTest::newRow("mark 5") << "realm5"
                                << "quorvane05\\demo" << 0;
        QTest::newRow("mark 7") << "realm7"
                                << "quorvane07\\demo" << 0;
        QTest::newRow("mark 2") << "pool"
                                << "demo" << 1;
        QTest::newRow("mark 8") << "mark8"
                                << "demo" << 1;
        QTest::newRow("no mark") << "nomark"
                                 << "demo" << 1;
    }
    void accountByMarkNumber() {
        QFETCH(QString, lineName);
        QFETCH(QString, user);
        QFETCH(int, queries);
        Session().BackendHost = recorder->hostPort(); // answers with the own-account token
        selectLine(lineName);
        vpn->btn_connClick();
        QVERIFY(vpn->DialHandle != 0);
        QCOMPARE(recorder->requestCount(), queries);
        QTRY_COMPARE_WITH_TIMEOUT(runs().size(), 1, WaitMs);
        QCOMPARE(pppdOption(lastOptions(), "user"), user);
        QCOMPARE(pppdOption(lastOptions(), "password"), QStringLiteral("demo123"));
        QCOMPARE(vpn->OwnAccountDial, 1);
        if (queries == 0)
            return;
        const RecordedRequest request = recorder->lastRequest();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, Script.toUtf8());
        const QString checkcode =
            Md5Hex(Session().SessionKey1 + DeploymentText(deployment::CheckcodeWord) +
                   Session().SessionKey2);
        QCOMPARE(vpn->LineQueryCheckcode, checkcode);
        const QStringList fields = QString::fromUtf8(request.body).split(QLatin1Char('&'));
        QCOMPARE(fields.size(), 4);
        QVERIFY(fields[0].startsWith(QStringLiteral("serverip=127.0.0.")));
        QCOMPARE(fields[1], QStringLiteral("username=demo"));
        QCOMPARE(fields[2], QStringLiteral("Upassword=demo123"));
        QCOMPARE(fields[3], QStringLiteral("checkcode=") + checkcode);
    }

    // Every answer the reference backend gives, through the real script.
    void predialAnswersOfTheBackend_data() {
        QTest::addColumn<QString>("lineName");
        QTest::addColumn<bool>("badCheckcode");
        QTest::addColumn<QString>("user"); // empty: no dial
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("own");
        QTest::newRow("own account") << "server-own" << false << "demo"
                                     << "demo123" << 1;
        QTest::newRow("pool account") << "pool" << false << "pool201"
                                      << "poolpw201" << 0;
        QTest::newRow("named account") << "named" << false << "kvtrealm9\\demo"
                                       << "demo123" << 1;
        QTest::newRow("server not listed") << "mark8" << false << ""
                                           << "" << 1;
        QTest::newRow("wrong checkcode") << "pool" << true << ""
                                         << "" << 1;
    }
    void predialAnswersOfTheBackend() {
        QFETCH(QString, lineName);
        QFETCH(bool, badCheckcode);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, own);
        if (badCheckcode)
            Session().SessionKey2 = Md5Hex(QStringLiteral("not the key"));
        selectLine(lineName);
        vpn->btn_connClick();
        if (user.isEmpty()) {
            QCOMPARE(prompts->messages.size(), 1);
            QCOMPARE(prompts->messages.first().text,
                     QStringLiteral("无法向服务器查询线路信息，请重新尝试连接或稍后再试."));
            verifyIdleControls();
            QCOMPARE(vpn->DialHandle, RasHandle(0));
            QVERIFY(entries().isEmpty());
            QVERIFY(runs().isEmpty());
            return;
        }
        QVERIFY(prompts->messages.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(runs().size(), 1, WaitMs);
        QCOMPARE(pppdOption(lastOptions(), "user"), user);
        QCOMPARE(pppdOption(lastOptions(), "password"), password);
        QCOMPARE(vpn->OwnAccountDial, own);
    }

    void predialWithoutAnswer() {
        RefusingPort refusing;
        Session().BackendHost = refusing.hostPort();
        UiLanguage = 2;
        selectLine(QStringLiteral("pool"));
        vpn->btn_connClick();
        QCOMPARE(mw->statuslabel, QStringLiteral("network quality is poor, please try connecting "
                                                 "again or try again later"));
        verifyIdleControls();
        QVERIFY(prompts->messages.isEmpty());
        QVERIFY(runs().isEmpty());
    }

    void predialAnswerShapes_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("own");
        const QString one = QLatin1String(PoolAccountSeparator);
        const QString two = QLatin1String(NamedAccountSeparator);
        const auto name = [](const char* text) {
            return QString::fromStdString(server::scrambleUserName(text));
        };
        const auto secret = [](const char* text) {
            return QString::fromStdString(server::scrambleLong(text));
        };
        QTest::newRow("token") << QString::fromLatin1(OwnAccountToken) << "u"
                               << "p" << 1;
        QTest::newRow("token with line break") << QString::fromLatin1(OwnAccountToken) + "\n"
                                               << ""
                                               << "p" << 1;
        QTest::newRow("pool") << name("pool7") + one + secret("s3cret") << "pool7"
                              << "s3cret" << 0;
        QTest::newRow("named") << "9" + two + name("realm\\u") << "realm\\u"
                               << "p" << 1;
        QTest::newRow("separator one first") << one + secret("s3cret") << ""
                                             << "p" << 1;
        QTest::newRow("nothing after separator one") << name("x") + one << ""
                                                     << "p" << 1;
        QTest::newRow("neither") << "error"
                                 << ""
                                 << "p" << 1;
    }
    void predialAnswerShapes() {
        QFETCH(QString, answer);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, own);
        const PredialAccount account =
            DecodePredialAnswer(answer, QStringLiteral("u"), QStringLiteral("p"));
        QCOMPARE(account.userName, user);
        if (!user.isEmpty())
            QCOMPARE(account.password, password);
        QCOMPARE(account.ownAccountDial, own);
    }

    // Nothing the backend sends reaches pppd, pptp or xl2tpd as an option or as shell text.
    void backendValuesThatCannotBeWrittenAreRefused_data() {
        QTest::addColumn<QString>("lineName");
        QTest::addColumn<QByteArray>("answer"); // empty: no pre-dial query
        QTest::newRow("address with spaces") << "spaced" << QByteArray();
        QTest::newRow("address with shell text") << "shell" << QByteArray();
        QTest::newRow("password with line break")
            << "pool"
            << QByteArray::fromStdString(server::scrambleUserName("pool7") + PoolAccountSeparator +
                                         server::scrambleLong("pw\nplugin /tmp/evil.so"));
        QTest::newRow("dial name with line break")
            << "named"
            << QByteArray::fromStdString("9" + std::string(NamedAccountSeparator) +
                                         server::scrambleUserName("u\nnoauth"));
    }
    void backendValuesThatCannotBeWrittenAreRefused() {
        QFETCH(QString, lineName);
        QFETCH(QByteArray, answer);
        if (!answer.isEmpty()) {
            Session().BackendHost = recorder->hostPort();
            recorder->setDefaultAnswer(CannedAnswer::text(answer));
        }
        UiLanguage = 2;
        selectLine(lineName);
        vpn->btn_connClick();
        QVERIFY2(mw->statuslabel.startsWith(QStringLiteral("Error cole:604-")),
                 qPrintable(mw->statuslabel));
        verifyIdleControls();
        QVERIFY(prompts->messages.isEmpty());
        QVERIFY(entries().isEmpty());
        QVERIFY(runs().isEmpty());
        QVERIFY(!mw->dialupstatus.isActive());
    }

    void backendValuesThatNeedQuotingStayOneValue() {
        const std::string name = "a b\" noauth #x -detach";
        Session().BackendHost = recorder->hostPort();
        recorder->setDefaultAnswer(CannedAnswer::text(QByteArray::fromStdString(
            "9" + std::string(NamedAccountSeparator) + server::scrambleUserName(name))));
        selectLine(QStringLiteral("named"));
        vpn->btn_connClick();
        QTRY_COMPARE_WITH_TIMEOUT(runs().size(), 1, WaitMs);
        const QByteArray options = lastOptions();
        QCOMPARE(pppdOption(options, "user"), QString::fromStdString(name));
        QCOMPARE(options.count("\nnoauth\n"), 1);
        QVERIFY(!options.contains("\n-detach"));
    }

    void securityOptions_data() {
        QTest::addColumn<bool>("modeOne");
        QTest::addColumn<bool>("box");
        QTest::addColumn<bool>("onlyMsChapV2");
        QTest::newRow("mode one, box checked") << true << true << true;
        QTest::newRow("mode one, box clear") << true << false << false;
        QTest::newRow("mode two, box checked") << false << true << false;
    }
    void securityOptions() {
        QFETCH(bool, modeOne);
        QFETCH(bool, box);
        QFETCH(bool, onlyMsChapV2);
        if (modeOne)
            vpn->rb_pptpClick();
        else
            vpn->rb_lp2pClick();
        vpn->sCheckBox1 = box;
        selectLine(QStringLiteral("own"));
        vpn->btn_connClick();
        QTRY_COMPARE_WITH_TIMEOUT(runs().size(), 1, WaitMs);
        const RasEntryEditor& e = ras->entryEditor();
        QCOMPARE(e.DeviceName, modeOne ? QStringLiteral("WAN 微型端口 (PPTP)")
                                       : QStringLiteral("WAN 微型端口 (L2TP)"));
        QCOMPARE(e.VpnStrategy, modeOne ? VpnStrategyPptpOnly : VpnStrategyL2tpOnly);
        QCOMPARE(e.EncryptionType, onlyMsChapV2 ? EncryptionType128Bit : EncryptionTypeOptional);
        QCOMPARE(e.RequirePAP, !onlyMsChapV2);
        QCOMPARE(e.RequireCHAP, !onlyMsChapV2);
        QCOMPARE(e.RequireMsCHAP, !onlyMsChapV2);
        QVERIFY(e.RequireMsCHAP2 && e.RequireDataEncryption && e.SoftwareCompression && e.Custom);
        QCOMPARE(e.PType, PTypeVpn);
        QCOMPARE(e.DeviceType, QStringLiteral("vpn"));
        const QByteArray options = lastOptions();
        QCOMPARE(options.contains("\nrequire-mppe-128\n"), onlyMsChapV2);
        QCOMPARE(options.contains("\nrefuse-pap\n"), onlyMsChapV2);
        QCOMPARE(options.contains("\nrefuse-mschap\n"), onlyMsChapV2);
        QVERIFY(!options.contains("\nrefuse-mschap-v2\n"));
        QCOMPARE(options.contains("\npty "), modeOne);
        QCOMPARE(runs("xl2tpd-runs").size(), modeOne ? 0 : 1);
    }

    void modeLabels() {
        UiLanguage = 2;
        vpn->rb_lp2pClick();
        QCOMPARE(mw->protocollabel, QStringLiteral("Protocol: Mode two"));
        QVERIFY(!vpn->rb_pptp);
        vpn->rb_pptpClick();
        QCOMPARE(mw->protocollabel, QStringLiteral("Protocol: Mode one"));
    }

    void dialNames() {
        QCOMPARE(DialEntryNameAt(QDateTime(QDate(2025, 1, 5), QTime(9, 7, 3, 456))),
                 QStringLiteral("0105973456"));
        QCOMPARE(DialEntryNameAt(QDateTime(QDate(2025, 12, 31), QTime(23, 59, 59, 7))),
                 QStringLiteral("1231235959"
                                "07"));
        const QString digits = RandomDigits(8);
        QCOMPARE(digits.size(), 8);
        for (const QChar c : digits)
            QVERIFY(c.isDigit());

        selectLine(QStringLiteral("own"));
        vpn->btn_connClick();
        QCOMPARE(vpn->DialEntryName, QStringLiteral("0105973456"));
        QCOMPARE(vpn->DialUniqueId.size(), 4 + 10 + 8);
        QVERIFY(vpn->DialUniqueId.startsWith(QStringLiteral("20250105973456")));
        QCOMPARE(connection().EntryName, vpn->DialEntryName);
    }

    void dialStartTimersAndTexts() {
        mw->lineList().setFocusedRow(2);
        const quint64 focusedId = mw->lineList().rowId(2);
        selectLine(QStringLiteral("own"));
        vpn->btn_connClick();
        QCOMPARE(mw->lineList().RotationCursor, focusedId);
        verifyConnectingControls();
        QCOMPARE(mw->statuslabel, QStringLiteral("正在建立连接"));
        QCOMPARE(vpn->StatusBar1Panel0, QStringLiteral("正在建立连接"));
        QCOMPARE(mw->linelabel, QStringLiteral("连接线路：own"));
        QCOMPARE(mw->dialupstatus.interval(), 1000);
        QCOMPARE(mw->dialupcheck.interval(), 14000);
        for (QTimer* t : {&mw->dialupstatus, &mw->Timer2, &mw->rast12, &mw->dialupcheck})
            QVERIFY2(t->isActive(), qPrintable(t->objectName()));
        QCOMPARE(vpn->ConnectStartTime, clock);
        QCOMPARE(vpn->DialServerAddress, QStringLiteral("127.0.0.11"));
        QCOMPARE(vpn->LineMarkNum, QStringLiteral("1"));
        QCOMPARE(RoutesAdded, 1);
        QCOMPARE(network.added, 1);
        QCOMPARE(entries(), QStringList{vpn->DialEntryName});

        // The routes are added once per session, not per dial.
        clock = clock.addSecs(1);
        vpn->btn_connClick();
        QCOMPARE(network.added, 1);
    }

    void routeFailureDoesNotStopTheDial() {
        network.fail = true;
        selectLine(QStringLiteral("own"));
        vpn->btn_connClick();
        QCOMPARE(RoutesAdded, 1);
        QVERIFY(vpn->DialHandle != 0);
        vpn->btn_disconnClick();
        QCOMPARE(RoutesAdded, 0);
        QCOMPARE(network.removed, 1);
    }

    void automaticChangeTimerAtConnect_data() {
        QTest::addColumn<bool>("userConnect");
        QTest::addColumn<QString>("seconds");
        QTest::addColumn<int>("interval"); // 0: not started
        QTest::newRow("30") << true << "30" << 40000;
        QTest::newRow("29") << true << "29" << 0;
        QTest::newRow("not a number") << true << "3O" << 0;
        QTest::newRow("rotation connect") << false << "30" << 0;
    }
    void automaticChangeTimerAtConnect() {
        QFETCH(bool, userConnect);
        QFETCH(QString, seconds);
        QFETCH(int, interval);
        vpn->AutoChangeEnabled = QStringLiteral("2");
        vpn->AutoChangeSeconds = seconds;
        selectLine(QStringLiteral("own"));
        if (userConnect)
            vpn->btn_connClick();
        else
            vpn->btn_conn2Click();
        QVERIFY(vpn->DialHandle != 0);
        QCOMPARE(mw->autochangeline.isActive(), interval != 0);
        if (interval != 0)
            QCOMPARE(mw->autochangeline.interval(), interval);
        else
            QCOMPARE(mw->autochangeline.interval(), 30000);
    }

    void missingPppdFailsTheDialStart() {
        config.pppd = dir->filePath(QStringLiteral("no-pppd"));
        makeEngine();
        UiLanguage = 2;
        selectLine(QStringLiteral("own"));
        vpn->btn_connClick();
        QVERIFY2(mw->statuslabel.startsWith(QStringLiteral("Error cole:608-pppd was not found")),
                 qPrintable(mw->statuslabel));
        verifyIdleControls();
        QCOMPARE(vpn->DialHandle, RasHandle(0));
        QVERIFY(entries().isEmpty());
        QVERIFY(!mw->dialupstatus.isActive());
    }

    void entryThatCannotBeStored() {
        QFile blocker(dir->filePath(QStringLiteral("file")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        config.peersDir = dir->filePath(QStringLiteral("file/peers"));
        makeEngine();
        selectLine(QStringLiteral("own"));
        vpn->btn_connClick();
        QCOMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages.first().text, EntryStoreFailedText());
        QVERIFY(prompts->messages.first().text.startsWith(
            QStringLiteral("无法建立连接，请您尝试以下其中一种或多种操作:\r\n\r\n1、")));
        verifyIdleControls();
        QVERIFY(runs().isEmpty());
    }

    void twoConnectsInARow() {
        connectUp(QStringLiteral("own"));
        const RasHandle first = vpn->DialHandle;
        const QString firstEntry = vpn->DialEntryName;
        clock = clock.addSecs(2);
        vpn->btn_connClick();
        // The second connect hung up the first dial and deleted its entry before writing its
        // own.
        QVERIFY(!ras->dialer().isRunning(first));
        QCOMPARE(ras->dialer().state(first), RasStateDisconnected);
        QVERIFY(vpn->DialHandle != first);
        QVERIFY(vpn->DialEntryName != firstEntry);
        QCOMPARE(entries(), QStringList{vpn->DialEntryName});
        QTRY_COMPARE_WITH_TIMEOUT(runs().size(), 2, WaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateConnected, WaitMs);
    }

    // --- the connection monitor ---

    void connectedPath_data() {
        QTest::addColumn<QString>("lineName");
        QTest::addColumn<int>("own");
        QTest::newRow("own account") << "own" << 1;
        QTest::newRow("pool account") << "pool" << 0;
    }
    void connectedPath() {
        QFETCH(QString, lineName);
        QFETCH(int, own);
        mw->statuscheck.start(); // a report timer of an earlier connection
        connectUp(lineName);
        QCOMPARE(vpn->OwnAccountDial, own);
        QCOMPARE(entries().size(), 1);

        vpn->ExpiryNoticeCount = 3;
        vpn->dialupstatusTimer();
        QCOMPARE(VpnConnected, 1);
        QCOMPARE(mw->statuslabel, QStringLiteral("连接成功"));
        QCOMPARE(vpn->StatusBar1Panel0, QStringLiteral("服务器连接成功"));
        QCOMPARE(mw->statuslabelColor, 0xFF0000u);
        QVERIFY(entries().isEmpty());
        QVERIFY(!enabled("btn_speed"));
        QVERIFY(!enabled("vt1"));
        QVERIFY(enabled("btn_disconn"));
        QVERIFY(mw->rast12.isActive());
        QVERIFY(mw->autodialstatus.isActive());
        QCOMPARE(mw->autodialstatus.interval(), 20000);
        QVERIFY(!mw->dialupstatus.isActive());
        QVERIFY(!mw->dialupcheck.isActive());
        QCOMPARE(mw->statuscheck.isActive(), own == 0);
        QCOMPARE(mw->datecheck.isActive(), own == 0);
        QCOMPARE(vpn->ExpiryNoticeCount, 0);

        // The announcement.
        SpeedTestRunning = 1;
        mw->Timer1.start();
        QVERIFY(mw->Timer2.isActive());
        vpn->Timer2Timer();
        QVERIFY(!mw->Timer2.isActive());
        QCOMPARE(minimized, 1);
        const QString caption = MainTexts().caption;
        QCOMPARE(trayHints, QStringList{caption});
        QCOMPARE(prompts->balloons,
                 QStringList{caption + QStringLiteral(" | 用户名:demo\n到期时间：2030-01-01")});
        QCOMPARE(SpeedTestRunning.load(), 0);
        QCOMPARE(speedTestStops, 1);
        QVERIFY(!mw->Timer1.isActive());

        // The user disconnects.
        vpn->btn_disconnClick();
        verifyIdleControls();
        QCOMPARE(mw->statuslabel, QStringLiteral("连接已经断开"));
        QCOMPARE(vpn->StatusBar1Panel0, QStringLiteral("连接已断开"));
        QCOMPARE(vpn->linelabelColor, 0x0000FFu);
        QCOMPARE(vpn->datalabelColor, 0x0000FFu);
        QCOMPARE(RoutesAdded, 0);
        QCOMPARE(network.removed, 1);
        QCOMPARE(vpn->DialHandle, RasHandle(0));
        QCOMPARE(int(connection().ConnectState), RasStateDisconnected);
        QVERIFY(!mw->autodialstatus.isActive());
        QVERIFY(!mw->statuscheck.isActive());
        QVERIFY(!mw->datecheck.isActive());
        QVERIFY(!mw->rast12.isActive());
    }

    void announcementWaitsForTheConnection() {
        qputenv("KVT_STANDIN_SCENARIO", "undecided");
        selectLine(QStringLiteral("own"));
        vpn->btn_connClick();
        vpn->Timer2Timer();
        QVERIFY(mw->Timer2.isActive());
        QVERIFY(prompts->balloons.isEmpty());
        vpn->btn_disconnClick();
        qunsetenv("KVT_STANDIN_SCENARIO");
        vpn->MinimizeOnConnect = QStringLiteral("1");
        clock = clock.addSecs(1);
        connectUp(QStringLiteral("own"));
        vpn->Timer2Timer();
        QCOMPARE(minimized, 0);
        QCOMPARE(prompts->balloons.size(), 1);
    }

    void failedDials_data() {
        QTest::addColumn<QByteArray>("scenario");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("text");
        QTest::newRow("691") << QByteArray("wrong-password") << 2
                             << "Error:691 Username or password cannot be verified";
        QTest::newRow("691, server hung up first")
            << QByteArray("wrong-password-hangup") << 2
            << "Error:691 Username or password cannot be verified";
        QTest::newRow("691 chinese")
            << QByteArray("wrong-password") << 1 << "错误：691 用户名和密码无法验证";
        QTest::newRow("930") << QByteArray("peer-auth") << 2 << "Error:930 cannot be authenticated";
        QTest::newRow("800") << QByteArray("unreachable") << 2
                             << "Error:800 May your network to limit or the line fault";
        QTest::newRow("619") << QByteArray("lcp-failure") << 1
                             << "错误：619 可能您的网络有限制或此线路存在故障";
        QTest::newRow("720") << QByteArray("loopback") << 2
                             << "Error:720 Unable to connect, please replace the line";
        QTest::newRow("633") << QByteArray("fatal") << 2
                             << "Error:633 System fault, please open the client or restart the "
                                "computer";
    }
    void failedDials() {
        QFETCH(QByteArray, scenario);
        QFETCH(int, language);
        QFETCH(QString, text);
        UiLanguage = language;
        qputenv("KVT_STANDIN_SCENARIO", scenario);
        selectLine(QStringLiteral("own"));
        vpn->btn_connClick();
        QTRY_VERIFY_WITH_TIMEOUT(
            connection().ConnectState >= 602 && connection().ConnectState <= 1000, WaitMs);
        vpn->dialupstatusTimer();
        QCOMPARE(mw->statuslabel, text);
        QCOMPARE(mw->statuslabelColor, 0xFF0000u);
        verifyIdleControls();
        QCOMPARE(RoutesAdded, 0);
        QCOMPARE(network.removed, 1);
        QCOMPARE(vpn->DialHandle, RasHandle(0));
        QVERIFY(entries().isEmpty());
        for (QTimer* t :
             {&mw->dialupstatus, &mw->dialupcheck, &mw->rast12, &mw->statuscheck, &mw->datecheck})
            QVERIFY2(!t->isActive(), qPrintable(t->objectName()));
        // No failure path stops Timer2.
        QVERIFY(mw->Timer2.isActive());
    }

    void errorTexts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");
        QTest::newRow("756") << 756
                             << "Error:756 System fault, please open the client or restart the "
                                "computer"
                             << "错误：756 系统故障，请重新打开客户端或重新启动电脑";
        QTest::newRow("650") << 650 << "Error:650 Unable to connect, please replace the line"
                             << "错误：650 无法连接，请更换线路";
        for (const int code : {736, 721, 769, 602, 1000})
            QTest::addRow("%d", code)
                << code
                << QStringLiteral("Error:%1 Unable to connect, please replace the line").arg(code)
                << QStringLiteral("错误：%1 无法连接，请更换线路").arg(code);
    }
    void errorTexts() {
        QFETCH(int, code);
        QFETCH(QString, english);
        QFETCH(QString, chinese);
        UiLanguage = 2;
        QCOMPARE(DialErrorText(code), english);
        UiLanguage = 1;
        QCOMPARE(DialErrorText(code), chinese);
    }

    void undecidedStatesLeaveTheDialRunning() {
        qputenv("KVT_STANDIN_SCENARIO", "undecided");
        selectLine(QStringLiteral("own"));
        vpn->btn_connClick();
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateAllDevicesConnected,
                                  WaitMs);
        vpn->dialupstatusTimer();
        QVERIFY(mw->dialupstatus.isActive());
        QVERIFY(ras->dialer().isRunning(vpn->DialHandle));
        QCOMPARE(mw->statuslabelColor, 0xFF0000u);
        verifyConnectingControls();
    }

    void dialStillUndecidedAfter14Seconds() {
        qputenv("KVT_STANDIN_SCENARIO", "undecided");
        UiLanguage = 2;
        vpn->AutoChangeEnabled = QStringLiteral("2");
        vpn->AutoChangeSeconds = QStringLiteral("30");
        selectLine(QStringLiteral("own"));
        vpn->btn_connClick();
        QVERIFY(mw->autochangeline.isActive());
        mw->autochangeline.setInterval(99000);
        const RasHandle handle = vpn->DialHandle;
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateAllDevicesConnected,
                                  WaitMs);
        vpn->dialupcheckTimer();
        QCOMPARE(mw->statuslabel,
                 QStringLiteral("Unable to connect, please replace the other line retry"));
        QCOMPARE(mw->statuslabelColor, 0xFF0000u);
        verifyIdleControls();
        QVERIFY(!ras->dialer().isRunning(handle));
        QVERIFY(entries().isEmpty());
        QCOMPARE(RoutesAdded, 0);
        QVERIFY(!mw->dialupcheck.isActive());
        // The automatic change dials the next line at once and restarts its period.
        QCOMPARE(changeTicks, 1);
        QVERIFY(mw->autochangeline.isActive());
        QCOMPARE(mw->autochangeline.interval(), 40000);
    }

    void dialupcheckSeesTheConnection() {
        vpn->AutoChangeEnabled = QStringLiteral("2");
        vpn->AutoChangeSeconds = QStringLiteral("30");
        connectUp(QStringLiteral("own"));
        QVERIFY(mw->autochangeline.isActive());
        vpn->dialupcheckTimer();
        QCOMPARE(VpnConnected, 1);
        QVERIFY(entries().isEmpty());
        QVERIFY(!mw->dialupcheck.isActive());
        QVERIFY(mw->dialupstatus.isActive()); // runs the whole block at its next tick
        QVERIFY(mw->autodialstatus.isActive());
        QCOMPARE(changeTicks, 0);
        QVERIFY(mw->autochangeline.isActive());
        QCOMPARE(mw->autochangeline.interval(), 40000);
        vpn->dialupstatusTimer();
        QVERIFY(!mw->dialupstatus.isActive());
    }

    void trafficAndOnlineTime_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("english") << 2 << 3725 << "Data:1KB/2KB  Time:01:02:05";
        QTest::newRow("chinese") << 1 << 3725 << "已加速:1KB/2KB  在线时间:01:02:05";
        // Mended: the hours used to start again at 00 after a day.
        QTest::newRow("25 hours") << 2 << 90000 << "Data:1KB/2KB  Time:25:00:00";
    }
    void trafficAndOnlineTime() {
        QFETCH(int, language);
        QFETCH(int, seconds);
        QFETCH(QString, text);
        const QString stats = config.sysfsNetRoot + QStringLiteral("/ppp0/statistics");
        QVERIFY(QDir().mkpath(stats));
        for (const auto& [file, value] : {std::pair{"/tx_bytes", "1499"}, {"/rx_bytes", "2500"}}) {
            QFile f(stats + QLatin1String(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(value);
        }
        UiLanguage = language;
        connectUp(QStringLiteral("own"));
        clock = clock.addSecs(seconds);
        vpn->rast12Timer();
        QCOMPARE(mw->datalabel, text);
        QCOMPARE(vpn->StatusBar1Panel1, text);
        QCOMPARE(vpn->datalabelColor, 0xFF0000u);
        QCOMPARE(vpn->linelabelColor, 0xFF0000u);
    }

    void trafficRounding_data() {
        QTest::addColumn<quint64>("bytes");
        QTest::addColumn<quint64>("kilobytes");
        for (const auto& [b, kb] : {std::pair<quint64, quint64>{0, 0},
                                    {499, 0},
                                    {500, 0},
                                    {501, 1},
                                    {1499, 1},
                                    {1500, 2},
                                    {2500, 2},
                                    {3500, 4}})
            QTest::addRow("%llu", b) << b << kb;
    }
    void trafficRounding() {
        QFETCH(quint64, bytes);
        QFETCH(quint64, kilobytes);
        QCOMPARE(KilobytesHalfEven(bytes), kilobytes);
    }

    void trafficWaitsForTheConnection() {
        qputenv("KVT_STANDIN_SCENARIO", "undecided");
        selectLine(QStringLiteral("own"));
        vpn->btn_connClick();
        vpn->rast12Timer();
        QVERIFY(mw->datalabel.isEmpty());
        QCOMPARE(ras->trafficMeter().PerfRasConn[1], vpn->DialHandle);
    }

    // --- disconnect and redial ---

    void disconnectDuringADial() {
        qputenv("KVT_STANDIN_SCENARIO", "undecided");
        selectLine(QStringLiteral("own"));
        vpn->btn_connClick();
        const RasHandle handle = vpn->DialHandle;
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateAllDevicesConnected,
                                  WaitMs);
        mw->autochangeline.start();
        vpn->btn_disconnClick();
        QVERIFY(!ras->dialer().isRunning(handle));
        QVERIFY(entries().isEmpty());
        verifyIdleControls();
        QVERIFY(!mw->dialupcheck.isActive());
        QVERIFY(!mw->autochangeline.isActive());
        // dialupstatus and Timer2 keep ticking; the hung-up dial reads as undecided.
        QVERIFY(mw->dialupstatus.isActive());
        QVERIFY(mw->Timer2.isActive());
        vpn->dialupstatusTimer();
        QCOMPARE(mw->statuslabel, QStringLiteral("连接已经断开"));
        verifyIdleControls();
    }

    void rotationDisconnectKeepsTheLineChange() {
        connectUp(QStringLiteral("own"));
        vpn->dialupstatusTimer();
        mw->autochangeline.start();
        vpn->btn_disconn2Click();
        verifyIdleControls();
        QCOMPARE(RoutesAdded, 0);
        QVERIFY(mw->autochangeline.isActive());
        QVERIFY(!mw->autodialstatus.isActive());
        QCOMPARE(vpn->DialHandle, RasHandle(0));
    }

    void dropAfterConnect_data() {
        QTest::addColumn<bool>("redial");
        QTest::addColumn<int>("signal");
        QTest::newRow("redial off, peer ends") << false << int(SIGUSR1);
        QTest::newRow("redial off, hang-up signal") << false << int(SIGHUP);
        QTest::newRow("redial on") << true << int(SIGUSR1);
    }
    void dropAfterConnect() {
        QFETCH(bool, redial);
        QFETCH(int, signal);
        if (redial) {
            vpn->AutoRedialEnabled = QStringLiteral("2");
            vpn->AutoRedialSeconds = QStringLiteral("30");
        }
        connectUp(QStringLiteral("own"));
        vpn->dialupstatusTimer();
        vpn->Timer2Timer();
        prompts->balloons.clear();

        // A tick while the link is up changes nothing.
        vpn->autodialstatusTimer();
        QCOMPARE(VpnConnected, 1);

        const RasHandle handle = vpn->DialHandle;
        ::kill(pid_t(ras->dialer().processId(handle)), signal);
        QTRY_VERIFY_WITH_TIMEOUT(!ras->dialer().isRunning(handle), WaitMs);
        clock = clock.addSecs(60);
        vpn->autodialstatusTimer();
        QCOMPARE(prompts->balloons.first(), QStringLiteral("断开提示 | 已经断开连接"));
        QCOMPARE(network.removed, 1);
        QCOMPARE(RoutesAdded, redial ? 1 : 0);
        if (!redial) {
            QCOMPARE(mw->statuslabel, QStringLiteral("已断开连接"));
            QCOMPARE(mw->statuslabelColor, 0xFF0000u);
            verifyIdleControls();
            QCOMPARE(vpn->RedialCount, 0);
            QCOMPARE(runs().size(), 1);
            QCOMPARE(mw->autodialstatus.interval(), 20000);
            QVERIFY(mw->autodialstatus.isActive()); // quiet until a later connection drops
            vpn->autodialstatusTimer();             // no handle: state 601, nothing happens
            QCOMPARE(prompts->balloons.size(), 1);
            return;
        }
        QCOMPARE(vpn->RedialCount, 1);
        QVERIFY(vpn->DialHandle != 0 && vpn->DialHandle != handle);
        QCOMPARE(mw->autodialstatus.interval(), 30000);
        QVERIFY(mw->autodialstatus.isActive());
        QVERIFY(mw->dialupstatus.isActive());
        verifyConnectingControls();
        QTRY_COMPARE_WITH_TIMEOUT(runs().size(), 2, WaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateConnected, WaitMs);
    }

    void redialLimit() {
        vpn->AutoRedialEnabled = QStringLiteral("2");
        vpn->AutoRedialSeconds = QStringLiteral("x"); // not a number: interval unchanged
        vpn->RedialCount = 199;
        connectUp(QStringLiteral("own"));
        vpn->dialupstatusTimer();
        const RasHandle handle = vpn->DialHandle;
        ::kill(pid_t(ras->dialer().processId(handle)), SIGUSR1);
        QTRY_VERIFY_WITH_TIMEOUT(!ras->dialer().isRunning(handle), WaitMs);
        clock = clock.addSecs(60);
        vpn->autodialstatusTimer();
        QCOMPARE(vpn->RedialCount, 200);
        QVERIFY(vpn->DialHandle != handle);
        QVERIFY(!mw->autodialstatus.isActive());
        QCOMPARE(mw->autodialstatus.interval(), 20000);
        // A redial that connects starts the watchdog again.
        QTRY_COMPARE_WITH_TIMEOUT(int(connection().ConnectState), RasStateConnected, WaitMs);
        vpn->dialupstatusTimer();
        QVERIFY(mw->autodialstatus.isActive());
    }

    void closeReleasesTheDial() {
        connectUp(QStringLiteral("own"));
        const RasHandle handle = vpn->DialHandle;
        VpnConnected = 0;
        mw->FormClose();
        QVERIFY(!ras->dialer().isRunning(handle));
        QCOMPARE(network.removed, 1);
        QVERIFY(entries().isEmpty());
    }

    void modeTwoDialsThroughItsOwnXl2tpd() {
        vpn->rb_lp2pClick();
        connectUp(QStringLiteral("own"));
        QCOMPARE(runs("xl2tpd-runs").size(), 1);
        vpn->dialupstatusTimer();
        QCOMPARE(VpnConnected, 1);
        vpn->btn_disconnClick();
        QCOMPARE(int(connection().ConnectState), RasStateDisconnected);
    }
};

QTEST_GUILESS_MAIN(TestVpnEngine)
#include "tst_vpn_engine.moc"
