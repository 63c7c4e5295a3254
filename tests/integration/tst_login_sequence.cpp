// The client's request layer against the reference backend on loopback: host selection, user
// check and server-list download, parsed into the catalogue and decoded back to the lines the
// backend keeps; then the list refresh of the main window as the backend's lines change.
#include "app/main_window_engine.h"
#include "app/ui_language.h"
#include "backend/endpoints.h"
#include "backend/failover.h"
#include "backend/http_exchange.h"
#include "backend/login_engine.h"
#include "backend/main_node.h"
#include "backend/script_url.h"
#include "backend/session_state.h"
#include "lines/line_catalogue.h"
#include "lines/line_list_model.h"
#include "lines/line_record.h"
#include "recording_prompts.h"
#include "reference_server.h"
#include "temp_settings.h"

#include <QTest>

#include <memory>

using namespace kvt;
using namespace kvt::test;

class TestLoginSequence : public QObject {
    Q_OBJECT

    std::unique_ptr<InProcessServer> backend;
    std::unique_ptr<TempSettings> settings;
    std::unique_ptr<RecordingPrompts> prompts;

    // Logs in as demo through the login engine; returns the main window engine after its
    // show initialisation.
    std::unique_ptr<MainWindowEngine> loginAndShow() {
        auto mainWindow = std::make_unique<MainWindowEngine>();
        mainWindow->exitProcess = [](int) {
        };
        LoginEngine login(mainWindow.get());
        login.edt_user = QStringLiteral("demo");
        login.edt_pass = QStringLiteral("demo123");
        login.btn_loginClick();
        mainWindow->FormShow();
        mainWindow->mainshowTimer();
        return mainWindow;
    }

private Q_SLOTS:
    void init() {
        Session() = {};
        UiLanguage = 0;
        ReplaceLineCatalogue(QString());
        backend = std::make_unique<InProcessServer>();
        endpoints() = Endpoints::defaults();
        endpoints().mainNode = backend->mainHost();
        endpoints().fallbackNode = backend->fallbackHost();
        settings = std::make_unique<TempSettings>();
        prompts = std::make_unique<RecordingPrompts>();
    }
    void cleanup() {
        prompts.reset();
        settings.reset();
        backend.reset();
        endpoints() = Endpoints::defaults();
    }

    void catalogueDecodesToTheBackendsLines() {
        const std::unique_ptr<MainWindowEngine> mainWindow = loginAndShow();
        QVERIFY2(prompts->messages.isEmpty(), qPrintable(prompts->messages.value(0).text));
        QCOMPARE(Session().LoginSucceeded, 1);
        QCOMPARE(Session().ClientAddress, QStringLiteral("127.0.0.1"));
        QVERIFY(Session().LoginAnswer.startsWith(QStringLiteral("到期时间：")));

        const server::Catalogue expected = backend->store().catalogue();
        QVERIFY(!expected.empty());
        const LineCatalogue& catalogue = CurrentLineCatalogue();
        QCOMPARE(catalogue.areas().size(), qsizetype(expected.size()));
        int lines = 0;
        for (const server::AreaEntry& area : expected) {
            const QString areaName = QString::fromStdString(area.name);
            QCOMPARE(catalogue.lineNames(areaName).size(), qsizetype(area.lines.size()));
            for (const server::LineEntry& line : area.lines) {
                const QString name = QString::fromStdString(line.name);
                const ps record = MakeLineRecord(name, catalogue.value(areaName, name));
                QCOMPARE(record.ip, QString::fromStdString(line.address));
                QCOMPARE(record.onlinerate, QString::fromStdString(line.onlineRate));
                QCOMPARE(record.marknum, QString::fromStdString(line.markNum));
                ++lines;
            }
        }
        QVERIFY(lines > 5);

        // The main window shows the first area's lines after the show initialisation.
        QCOMPARE(mainWindow->areaBarItems.size(), qsizetype(expected.size()));
        QCOMPARE(mainWindow->lineList().rowCount(), qsizetype(expected.front().lines.size()));
    }

    void languageVariantsAnswerInTheirLanguage_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("simplified") << 1 << "到期时间：";
        QTest::newRow("English") << 2 << "Expiry date: ";
        QTest::newRow("traditional") << 3 << "到期時間：";
    }
    void languageVariantsAnswerInTheirLanguage() {
        QFETCH(int, language);
        QFETCH(QString, prefix);
        UiLanguage = language;
        QVERIFY(QueryMainNode());
        const QString answer =
            PostWithFailover(QStringLiteral("usercheckkvt802"),
                             {QStringLiteral("UserID=demo"), QStringLiteral("Upassword=demo123")},
                             DefaultReadTimeoutMs);
        QVERIFY2(answer.startsWith(prefix), qPrintable(answer));
    }

    void refreshShowsTheBackendsNewLines() {
        const std::unique_ptr<MainWindowEngine> mainWindow = loginAndShow();
        const int before = int(mainWindow->areaBarItems.size());

        server::Catalogue changed = backend->store().catalogue();
        server::AreaEntry added;
        added.name = "新区域";
        added.lines = {{"新线路1", "127.0.0.201", "5%", "1"},
                       {"新线路2", "127.0.0.202", "6%", "1"}};
        changed.insert(changed.begin(), added);
        backend->store().replaceCatalogue(changed);

        mainWindow->N14Click();
        QVERIFY(prompts->messages.isEmpty());
        QCOMPARE(mainWindow->areaBarItems.size(), before + 1);
        QCOMPARE(mainWindow->areaBarItems.first(), QStringLiteral("新区域"));
        // Nothing was remembered (no close yet): the first area, now the new one.
        QCOMPARE(mainWindow->AreaTxt2Text(), QStringLiteral("新区域"));
        QCOMPARE(mainWindow->lineList().rowCount(), 2);
        QCOMPARE(mainWindow->IPAddrTxt, (QStringList{"新线路1", "新线路2"}));

        // The same answer twice leaves the window as after the first.
        mainWindow->N14Click();
        QCOMPARE(mainWindow->areaBarItems.size(), before + 1);
        QCOMPARE(mainWindow->lineList().rowCount(), 2);
    }

    void refreshWithoutAnswerKeepsEverything() {
        const std::unique_ptr<MainWindowEngine> mainWindow = loginAndShow();
        const QStringList areas = mainWindow->areaBarItems;
        const int rows = mainWindow->lineList().rowCount();
        Session().ViewToken = QStringLiteral("00000000"); // the backend now answers empty text
        mainWindow->N14Click();
        QCOMPARE(prompts->messages.size(), 1);
        QCOMPARE(prompts->messages[0].text, QStringLiteral("无法更新服务器列表，请稍后再试"));
        QCOMPARE(mainWindow->areaBarItems, areas);
        QCOMPARE(mainWindow->lineList().rowCount(), rows);
    }

    void refreshReturnsToTheAreaSavedAtClose() {
        {
            // An earlier run closed on the second area, third line.
            const std::unique_ptr<MainWindowEngine> first = loginAndShow();
            first->SelectArea(1);
            first->IPAddrTxtIndex = 2;
            first->FormClose();
        }
        Session() = {};
        const std::unique_ptr<MainWindowEngine> mainWindow = loginAndShow();
        QCOMPARE(mainWindow->AreaTxt2Index, 1);
        QCOMPARE(mainWindow->IPAddrTxtIndex, 2);
        mainWindow->SelectArea(0); // the user moves elsewhere
        mainWindow->N14Click();
        QCOMPARE(mainWindow->AreaTxt2Index, 1);
        QCOMPARE(mainWindow->IPAddrTxtIndex, 0); // the area change selects the first line
    }
};

QTEST_GUILESS_MAIN(TestLoginSequence)
#include "tst_login_sequence.moc"
