#include "app/main_window_engine.h"
#include "app/remembered_choices.h"
#include "app/shared_flags.h"
#include "app/ui_language.h"
#include "backend/deployment.h"
#include "backend/md5_hex.h"
#include "backend/session_state.h"
#include "lines/line_catalogue.h"
#include "lines/line_list_model.h"
#include "recording_prompts.h"
#include "temp_settings.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace kvt;
using namespace kvt::test;

namespace {

// Three areas; the second has an entry without value, the third none at all.
const char* kDocument = "[广东电信]\n"
                        "gd1=QUJD,45%,,1,\n"
                        "gd2=REVG,60%,,1,\n"
                        "[浙江联通]\n"
                        "zj1=R0hJ,10%,,2,\n"
                        "zjempty=\n"
                        "zj2=SktM,20%,,3,\n"
                        "[空区域]\n";

void storeLastChoice(const char* area, const char* line) {
    RegistryStore& store = registryStore();
    const QString key = QStringLiteral("SOFTWARE\\vidizirevoror");
    QCOMPARE(store.createKey(RegistryRoot::LocalMachine, key), RegistryStatus::Ok);
    if (area)
        QCOMPARE(store.writeString(RegistryRoot::LocalMachine, key, QStringLiteral("AREACombobox2"),
                                   QString::fromUtf8(area)),
                 RegistryStatus::Ok);
    if (line)
        QCOMPARE(store.writeString(RegistryRoot::LocalMachine, key, QStringLiteral("IPCombobox2"),
                                   QString::fromUtf8(line)),
                 RegistryStatus::Ok);
}

} // namespace

class TestMainWindowEngine : public QObject {
    Q_OBJECT

    std::unique_ptr<TempSettings> settings;
    std::unique_ptr<RecordingPrompts> prompts;
    std::unique_ptr<MainWindowEngine> engine;
    int exitCode = -1;

private Q_SLOTS:
    void init() {
        Session() = {};
        UiLanguage = 0;
        VpnConnected = 0;
        SpeedTestRunning = 0;
        RoutesAdded = 0;
        ReplaceLineCatalogue(QString::fromUtf8(kDocument));
        settings = std::make_unique<TempSettings>();
        prompts = std::make_unique<RecordingPrompts>();
        engine = std::make_unique<MainWindowEngine>();
        exitCode = -1;
        engine->exitProcess = [this](int code) {
            exitCode = code;
        };
    }
    void cleanup() {
        engine.reset();
        prompts.reset();
        settings.reset();
        SpeedTestRunning = 0;
        VpnConnected = 0;
    }

    void timersStoppedWithTheirIntervals() {
        const QList<QPair<QString, int>> expected = {
            {"mainshow", 1000},        {"Timer1", 2000},        {"Timer2", 1000},
            {"rast12", 4000},          {"dialupstatus", 1000},  {"dialupcheck", 14000},
            {"autodialstatus", 20000}, {"statuscheck", 218000}, {"autochangeline", 30000},
            {"onechangetime", 15000},  {"datecheck", 900000},   {"vercheck", 15000}};
        const QList<QTimer*> timers = engine->timers();
        QCOMPARE(timers.size(), expected.size());
        for (int i = 0; i < timers.size(); ++i) {
            QCOMPARE(timers[i]->objectName(), expected[i].first);
            QCOMPARE(timers[i]->interval(), expected[i].second);
            QVERIFY(!timers[i]->isActive());
        }
    }

    void restoreChoices_data() {
        QTest::addColumn<QByteArray>("area"); // "<none>": value missing
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<int>("areaIndex");
        QTest::addColumn<int>("lineIndex");
        QTest::addColumn<int>("zz");
        QTest::newRow("nothing stored")
            << QByteArray("<none>") << QByteArray("<none>") << true << 0 << 0 << 0;
        QTest::newRow("empty texts") << QByteArray("") << QByteArray("") << true << 0 << 0 << 0;
        QTest::newRow("-1 selects the first")
            << QByteArray("-1") << QByteArray("-1") << true << 0 << 0 << 0;
        QTest::newRow("stored area and line")
            << QByteArray("1") << QByteArray("2") << true << 1 << 2 << 1;
        QTest::newRow("line beyond the end")
            << QByteArray("1") << QByteArray("9") << true << 1 << -1 << 1;
        QTest::newRow("area beyond the end")
            << QByteArray("7") << QByteArray("0") << true << -1 << -1 << -1;
        QTest::newRow("area not a number")
            << QByteArray("x") << QByteArray("0") << false << -1 << -1 << -1;
        QTest::newRow("line not a number")
            << QByteArray("1") << QByteArray("二") << false << 1 << -1 << -1;
    }
    void restoreChoices() {
        QFETCH(QByteArray, area);
        QFETCH(QByteArray, line);
        QFETCH(bool, succeeds);
        QFETCH(int, areaIndex);
        QFETCH(int, lineIndex);
        QFETCH(int, zz);
        if (area != "<none>")
            storeLastChoice(area.constData(), line.constData());
        QCOMPARE(engine->RestoreChoices(), succeeds);
        QCOMPARE(engine->AreaTxt2, (QStringList{"广东电信", "浙江联通", "空区域"}));
        QCOMPARE(engine->AreaTxt, engine->AreaTxt2);
        QCOMPARE(engine->AreaTxt2Index, areaIndex);
        QCOMPARE(engine->IPAddrTxtIndex, lineIndex);
        QCOMPARE(engine->zz, zz);
        QCOMPARE(engine->XZ, zz);
        // A failure ends it before the area bar is rebuilt.
        QCOMPARE(engine->areaBarItems.size(), succeeds ? 3 : 0);
        if (areaIndex == 1)
            QCOMPARE(engine->IPAddrTxt, (QStringList{"zj1", "zjempty", "zj2"}));
    }

    void showInitialisationRunsOnce() {
        storeLastChoice("1", "2");
        Session().UserDigest = QStringLiteral("u");
        Session().PasswordDigest = QStringLiteral("p");
        Session().BackendHost = QStringLiteral("host:1");
        QSignalSpy pages(engine.get(), &MainWindowEngine::pagesRequested);
        engine->FormShow();
        QVERIFY(engine->mainshow.isActive());
        QCOMPARE(engine->ShowInitPending, QStringLiteral("2"));
        engine->mainshowTimer();
        QVERIFY(!engine->mainshow.isActive());
        QCOMPARE(engine->ShowInitPending, QStringLiteral("1"));

        // The remembered area was clicked: its rows, and the remembered line.
        QCOMPARE(engine->AreaTxt2Index, 1);
        QCOMPARE(engine->lineList().rowCount(), 2);
        QCOMPARE(engine->IPAddrTxtText(), QStringLiteral("zj2"));
        QCOMPARE(engine->linelabel, QStringLiteral("当前节点：zj2"));
        const QString k1 = QString::fromLatin1(deployment::K1.data(), deployment::K1.size());
        const QString k2 = QString::fromLatin1(deployment::K2.data(), deployment::K2.size());
        QCOMPARE(Session().SessionKey1, Md5Hex(QStringLiteral("up") + k1));
        QCOMPARE(Session().SessionKey2, Md5Hex(Session().SessionKey1 + k2));
        QCOMPARE(pages.count(), 1);
        QCOMPARE(pages[0][0].toString(), QStringLiteral("http://host:1/kvtclient/maintop.htm"));
        QCOMPARE(pages[0][1].toString(), QStringLiteral("http://host:1/kvtclient/news.htm"));

        // A second tick (say after restoring from the tray) does nothing more.
        engine->mainshowTimer();
        QCOMPARE(pages.count(), 1);
    }

    void showInitialisationFallsBackToFirstArea() {
        storeLastChoice("oops", "0");
        engine->FormShow();
        engine->mainshowTimer();
        QCOMPARE(engine->AreaTxt2Index, 0);
        QCOMPARE(engine->lineList().rowCount(), 2);
        QCOMPARE(engine->IPAddrTxtText(), QStringLiteral("gd1"));
    }

    void emptyCatalogueSkipsTheClick() {
        ReplaceLineCatalogue(QString());
        engine->FormShow();
        engine->mainshowTimer();
        QVERIFY(engine->areaBarItems.isEmpty());
        QCOMPARE(engine->zz, -1);
        QVERIFY(prompts->messages.isEmpty());
        QCOMPARE(engine->linelabel, QStringLiteral("当前节点："));
    }

    void selectAreaRestoresRememberedLineOnlyInItsArea() {
        storeLastChoice("1", "-1");
        QVERIFY(engine->RestoreChoices());
        engine->SelectArea(0);
        QCOMPARE(engine->IPAddrTxtText(), QStringLiteral("gd1"));
        QCOMPARE(engine->XZ, 0);
        QCOMPARE(engine->areaBarStyles[0], MainWindowEngine::AreaItemStyle::Bold);
        engine->SelectArea(1);
        QCOMPARE(engine->IPAddrTxtIndex, 0); // "-1" stored: the first line
        QCOMPARE(engine->areaBarStyles[0], MainWindowEngine::AreaItemStyle::Normal);
        QCOMPARE(engine->lineList().rowCount(), 2); // the entry without value has no row
        QCOMPARE(engine->IPAddrTxt.size(), 3);      // but is in the chooser
    }

    void areaWithoutEntriesEmptiesTheChooser() {
        QVERIFY(engine->RestoreChoices());
        engine->SelectArea(0);
        QCOMPARE(engine->IPAddrTxt.size(), 2);
        engine->SelectArea(2);
        QVERIFY(engine->IPAddrTxt.isEmpty());
        QCOMPARE(engine->IPAddrTxtText(), QString());
        QCOMPARE(engine->lineList().rowCount(), 0);
        QCOMPARE(engine->areaBarStyles[2], MainWindowEngine::AreaItemStyle::GreenBold);
    }

    void areaChangesRefusedWhileSpeedTestRuns() {
        QVERIFY(engine->RestoreChoices());
        engine->SelectArea(0);
        SpeedTestRunning = 1;
        engine->SelectArea(1);
        engine->AreaTxt2Change();
        QCOMPARE(prompts->messages.size(), 2);
        QCOMPARE(prompts->messages[0].text, QStringLiteral("请先关闭测速"));
        QCOMPARE(prompts->messages[0].icon, UserPrompts::Icon::Information);
        QCOMPARE(engine->AreaTxt2Index, 0);
        QCOMPARE(engine->XZ, 0);
        QCOMPARE(engine->lineList().rowCount(), 2);
        UiLanguage = 2;
        engine->SelectArea(1);
        QCOMPARE(prompts->messages.last().text, QStringLiteral("please close bat speed"));
    }

    void closeQuestionOnlyWhileConnected_data() {
        QTest::addColumn<int>("connected");
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<int>("questions");
        QTest::newRow("not connected") << 0 << false << true << 0;
        QTest::newRow("connected, yes") << 1 << true << true << 1;
        QTest::newRow("connected, no minimises") << 1 << false << false << 1;
    }
    void closeQuestionOnlyWhileConnected() {
        QFETCH(int, connected);
        QFETCH(bool, answerYes);
        QFETCH(bool, allowed);
        QFETCH(int, questions);
        VpnConnected = connected;
        prompts->answerYes = answerYes;
        QSignalSpy minimised(engine.get(), &MainWindowEngine::minimizeRequested);
        QCOMPARE(engine->FormCloseQuery(), allowed);
        QCOMPARE(prompts->questions.size(), questions);
        QCOMPARE(minimised.count(), allowed ? 0 : 1);
        if (questions)
            QCOMPARE(prompts->questions[0],
                     QStringLiteral("VPN正在连接,关闭将断开VPN连接,您确定要关闭吗"));
    }

    void closeSequence_data() {
        QTest::addColumn<int>("loginSucceeded");
        QTest::addColumn<int>("routesAdded");
        QTest::newRow("after a login, routes added") << 1 << 1;
        QTest::newRow("login failed") << 0 << 0;
    }
    void closeSequence() {
        QFETCH(int, loginSucceeded);
        QFETCH(int, routesAdded);
        Session().LoginSucceeded = loginSucceeded;
        RoutesAdded = routesAdded;
        QVERIFY(engine->RestoreChoices());
        engine->SelectArea(1);
        SpeedTestRunning = 1;
        engine->IPAddrTxtIndex = 2;
        engine->AppDir = settings->path(QStringLiteral("app/"));
        QDir().mkpath(engine->AppDir);
        for (const char* name : {"route.bat", "delroute.bat"}) {
            QFile f(engine->AppDir + QString::fromLatin1(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QStringList steps;
        engine->removeHotKey = [&] {
            steps << "hotkey";
        };
        engine->delrouterlist = [&] {
            steps << "routes";
        };
        engine->releaseDial = [&] {
            QCOMPARE(SpeedTestRunning.load(), 0);
            steps << "dial";
        };
        engine->removeTray = [&] {
            steps << "tray";
        };
        engine->destroyRemoteAccess = [&] {
            steps << "ras";
        };
        engine->FormClose();

        QStringList expected{"hotkey", "dial", "tray", "ras"};
        if (routesAdded)
            expected.insert(1, "routes");
        QCOMPARE(steps, expected);
        QCOMPARE(exitCode, 0);
        QVERIFY(!QFile::exists(engine->AppDir + QStringLiteral("route.bat")));
        QVERIFY(!QFile::exists(engine->AppDir + QStringLiteral("delroute.bat")));
        const LastChoiceTexts stored = readLastChoice();
        if (loginSucceeded) {
            QCOMPARE(stored.area, std::optional<QString>(QStringLiteral("1")));
            QCOMPARE(stored.line, std::optional<QString>(QStringLiteral("2")));
        } else {
            QCOMPARE(stored.area, std::optional<QString>(QString())); // nothing written
        }
    }

    void searchNarrowsListCaseSensitively() {
        ReplaceLineCatalogue(
            QStringLiteral("[A]\nAlpha=QUJD,1,,1,\nalpine=QUJD,1,,1,\nBeta=QUJD,1,,1,\n"));
        QVERIFY(engine->RestoreChoices());
        engine->SelectArea(0);
        engine->linenametxt = QStringLiteral("lp");
        engine->AreaTxt2Change2();
        QCOMPARE(engine->lineList().rowCount(), 2);
        engine->linenametxt = QStringLiteral("Al");
        engine->AreaTxt2Change2();
        QCOMPARE(engine->lineList().rowCount(), 1);
        QCOMPARE(engine->IPAddrTxt.size(), 3); // the chooser keeps every line
        QCOMPARE(engine->linenametxt, QStringLiteral("Al"));
        engine->linenametxt = QStringLiteral("zzz");
        engine->AreaTxt2Change2();
        QCOMPARE(engine->lineList().rowCount(), 0);
        QCOMPARE(engine->IPAddrTxtIndex, 0);
        engine->AreaTxt2Change(); // the plain area change clears the search text
        QVERIFY(engine->linenametxt.isEmpty());
        QCOMPARE(engine->lineList().rowCount(), 3);
    }

    void searchFocusesFirstRowAndSelectsItIgnoringCase() {
        ReplaceLineCatalogue(QStringLiteral(
            "[A]\nzeta=QUJD,1,,1,\nNODE-b=QUJD,1,,1,\nnode-b=QUJD,1,,1,\n[B]\nx=QUJD,1,,1,\n"));
        QVERIFY(engine->RestoreChoices());
        engine->SelectArea(0);
        engine->linenametxt = QStringLiteral("-b");
        engine->linenamesearchClick();
        QCOMPARE(engine->AreaTxt2Index, 0); // the area is kept
        QCOMPARE(engine->KeptAreaIndex, 0);
        QCOMPARE(engine->areaBarItems.size(), 2);
        QCOMPARE(engine->lineList().rowCount(), 2);
        QCOMPARE(engine->lineList().focusedRow(), 0);
        // The first chooser item equal to the row's name, letter case ignored.
        QCOMPARE(engine->IPAddrTxtIndex, 1);
        QCOMPARE(engine->linelabel, QString()); // the search leaves the line label alone

        engine->linenametxt = QStringLiteral("nothing");
        engine->linenamesearchClick();
        QCOMPARE(engine->lineList().rowCount(), 0);
        QCOMPARE(engine->IPAddrTxtIndex, 0);
    }

    void rowClickSelectsTheLine() {
        QVERIFY(engine->RestoreChoices());
        engine->SelectArea(1);
        engine->vt1Click(); // no focused row: the first line
        QCOMPARE(engine->IPAddrTxtIndex, 0);
        const int row = engine->lineList().rowCount() - 1;
        engine->lineList().setFocusedRow(row);
        engine->vt1Click();
        QCOMPARE(engine->IPAddrTxtText(), engine->lineList().record(row).name);
        QCOMPARE(engine->linelabel, QStringLiteral("当前节点：") + engine->IPAddrTxtText());
        UiLanguage = 2;
        engine->vt1Click();
        QCOMPARE(engine->linelabel, QStringLiteral("Line:") + engine->IPAddrTxtText());
    }
};

QTEST_GUILESS_MAIN(TestMainWindowEngine)
#include "tst_main_window_engine.moc"
