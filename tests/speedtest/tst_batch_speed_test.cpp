#include "app/main_window_engine.h"
#include "app/shared_flags.h"
#include "app/ui_language.h"
#include "line_document.h"
#include "lines/line_catalogue.h"
#include "lines/line_list_model.h"
#include "recording_prompts.h"
#include "speedtest/batch_speed_test.h"
#include "speedtest/linux/linux_icmp_echo.h"
#include "speedtest/speed_test_rules.h"
#include "temp_settings.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace kvt;
using namespace kvt::test;

namespace {

const QString kPauseTraditional = QStringLiteral("暫停測速");
const QString kBatTraditional = QStringLiteral("批量測速");

ps row(const QString& name, const QString& ip) {
    ps record;
    record.name = name;
    record.ip = ip;
    record.delay = QStringLiteral("NA");
    return record;
}

bool isDelayNumber(const QString& delay) {
    bool ok = false;
    const int value = delay.toInt(&ok);
    return ok && value >= 0;
}

} // namespace

// The batch speed test on loopback lines: real echoes, the engine's thread, the pool.
class TestBatchSpeedTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempSettings> settings;
    std::unique_ptr<RecordingPrompts> prompts;
    std::unique_ptr<MainWindowEngine> engine;
    std::unique_ptr<BatchSpeedTest> batch;
    std::unique_ptr<QSignalSpy> captions;

    LineListModel& list() { return engine->lineList(); }

    // The last caption set on btn_speed.
    QString caption() const {
        for (qsizetype i = captions->size() - 1; i >= 0; --i)
            if (captions->at(i).at(0).toString() == QStringLiteral("btn_speed"))
                return captions->at(i).at(1).toString();
        return {};
    }

    // Rows filled straight into the list, with the chooser showing a line.
    void fillRows(const QList<ps>& rows) {
        list().clear();
        list().fill(rows);
        engine->IPAddrTxt = {QStringLiteral("line")};
        engine->IPAddrTxtIndex = 0;
    }

    bool allMeasured() {
        for (int r = 0; r < list().rowCount(); ++r)
            if (list().record(r).delay == QStringLiteral("NA"))
                return false;
        return true;
    }

    // Waits until no echo runs and every result handed over has been applied.
    void settle() {
        QVERIFY(batch->tp1.waitForDone(20000));
        QCoreApplication::processEvents();
    }

private Q_SLOTS:
    void initTestCase() {
        const QString why = LinuxIcmpEcho::unavailableReason(IcmpSocketKind::Automatic);
        if (!why.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no ICMP socket can be opened: ") + why));
    }

    void init() {
        UiLanguage = 0;
        SpeedTestRunning = 0;
        ReplaceLineCatalogue(LineDocument(
            {{QStringLiteral("本地"),
              {{QStringLiteral("a1"), QStringLiteral("127.0.0.1")},
               {QStringLiteral("a2"), QStringLiteral("127.0.0.2")},
               {QStringLiteral("a3"), QStringLiteral("127.0.0.3")}}},
             {QStringLiteral("其他"), {{QStringLiteral("b1"), QStringLiteral("127.0.0.4")}}}}));
        settings = std::make_unique<TempSettings>();
        prompts = std::make_unique<RecordingPrompts>();
        engine = std::make_unique<MainWindowEngine>();
        engine->exitProcess = [](int) {
        };
        batch = std::make_unique<BatchSpeedTest>(*engine);
        captions =
            std::make_unique<QSignalSpy>(engine.get(), &MainWindowEngine::controlTextChanged);
        engine->RebuildAreaBar(0);
        engine->SelectArea(0);
        QCOMPARE(list().rowCount(), 3);
    }

    void cleanup() {
        batch.reset();
        captions.reset();
        engine.reset();
        prompts.reset();
        settings.reset();
        UiLanguage = 0;
        QCOMPARE(SpeedTestRunning.load(), 0);
    }

    void startNeedsASelectedLine_data() {
        QTest::addColumn<QStringList>("chooser");
        QTest::addColumn<int>("index");
        QTest::newRow("nothing selected") << QStringList{QStringLiteral("a1")} << -1;
        QTest::newRow("empty chooser") << QStringList{} << -1;
        QTest::newRow("blank line name") << QStringList{QStringLiteral("  ")} << 0;
    }
    void startNeedsASelectedLine() {
        QFETCH(QStringList, chooser);
        QFETCH(int, index);
        engine->IPAddrTxt = chooser;
        engine->IPAddrTxtIndex = index;
        batch->btn_speedClick();
        QCOMPARE(prompts->focused, QStringList{QStringLiteral("IPAddrTxt")});
        QCOMPARE(SpeedTestRunning.load(), 0);
        QVERIFY(!engine->Timer1.isActive());
        QVERIFY(!batch->feederRunning());
        QCOMPARE(captions->size(), 0);
    }

    void startAndPause_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("pauseCaption");
        QTest::addColumn<QString>("idleCaption");
        QTest::newRow("simplified")
            << 1 << QStringLiteral("暂停测速") << QStringLiteral("批量测速");
        QTest::newRow("English") << 2 << QStringLiteral("Pause Speed")
                                 << QStringLiteral("Bat Speed");
        QTest::newRow("traditional") << 3 << kPauseTraditional << kBatTraditional;
    }
    void startAndPause() {
        QFETCH(int, language);
        QFETCH(QString, pauseCaption);
        QFETCH(QString, idleCaption);
        UiLanguage = language;
        list().headerClick(LineListModel::NameColumn); // name, descending
        batch->btn_speedClick();
        QCOMPARE(SpeedTestRunning.load(), 1);
        QCOMPARE(caption(), pauseCaption);
        QCOMPARE(batch->btn_speedCaption(), pauseCaption);
        QVERIFY(engine->Timer1.isActive());
        QCOMPARE(engine->Timer1.interval(), 2000);
        QVERIFY(batch->feederRunning());
        QCOMPARE(list().sortColumn(), int(LineListModel::DelayColumn));
        QCOMPARE(list().sortDirection(), Qt::AscendingOrder);

        batch->btn_speedClick();
        QCOMPARE(SpeedTestRunning.load(), 0);
        QCOMPARE(caption(), idleCaption);
        QCOMPARE(batch->btn_speedCaption(), idleCaption);
        QVERIFY(!engine->Timer1.isActive());
        QTRY_VERIFY(!batch->feederRunning());
    }

    // Every row is measured; a row whose address cannot be used shows the failure text and
    // counts the lost measurement, and never stops the test.
    void measuresEveryRow_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("failure");
        QTest::newRow("simplified") << 1 << QStringLiteral("禁ping");
        QTest::newRow("English") << 2 << QStringLiteral("Unknown");
        QTest::newRow("traditional") << 3 << QStringLiteral("禁ping");
    }
    void measuresEveryRow() {
        QFETCH(int, language);
        QFETCH(QString, failure);
        UiLanguage = language;
        fillRows({row("bad-empty", QString()), row("lo1", QStringLiteral("127.0.0.1")),
                  row("bad-v6", QStringLiteral("::1")), row("lo2", QStringLiteral("127.0.0.2")),
                  row("bad-zone", QStringLiteral("fe80::1%lo")),
                  row("lo3", QStringLiteral("localhost"))});
        batch->btn_speedClick();
        QTRY_VERIFY_WITH_TIMEOUT(allMeasured(), 20000);
        batch->btn_speedClick(); // pause: sorts
        settle();

        for (int r = 0; r < list().rowCount(); ++r) {
            const ps& record = list().record(r);
            if (record.name.startsWith(QStringLiteral("bad"))) {
                QCOMPARE(record.delay, failure);
                QVERIFY(record.losttimes >= 1);
                QVERIFY2(r >= 3, "failed rows sort after every measured row");
            } else {
                QVERIFY2(isDelayNumber(record.delay), qPrintable(record.delay));
                QCOMPARE(record.losttimes, 0);
                QVERIFY2(r < 3, "measured rows come first");
            }
        }
    }

    void pauseKeepsDelaysAndRestartMeasuresOn() {
        batch->btn_speedClick();
        QTRY_VERIFY_WITH_TIMEOUT(allMeasured(), 20000);
        batch->btn_speedClick();
        settle();
        const int applied = batch->resultsApplied();
        QStringList delays;
        for (int r = 0; r < list().rowCount(); ++r)
            delays << list().record(r).delay;
        QTest::qWait(200);
        QCOMPARE(batch->resultsApplied(), applied); // nothing lands while paused

        batch->btn_speedClick();
        for (int r = 0; r < list().rowCount(); ++r)
            QVERIFY(isDelayNumber(list().record(r).delay));
        QTRY_VERIFY_WITH_TIMEOUT(batch->resultsApplied() >= applied + 3, 20000);
    }

    // A feeder that has not yet noticed the pause goes on; none is started beside it.
    void restartBeforeTheFeederEndsStartsNone() {
        batch->setFeedIntervalMs(600000); // the feeder sleeps before its first row
        batch->btn_speedClick();
        QVERIFY(batch->feederRunning());
        // Only once the feeder sleeps has it checked the flag; a pause before its thread ran
        // at all would simply end it.
        QTRY_COMPARE(batch->feederRowWaits(), 1);
        batch->btn_speedClick();
        QVERIFY(batch->feederRunning()); // still asleep: it has not seen the pause
        batch->btn_speedClick();
        QCOMPARE(batch->feedersStarted(), 1);
        QVERIFY(batch->feederRunning());
        batch->stopBatchTest();
    }

    void restartAfterTheFeederEndedStartsOne() {
        batch->btn_speedClick();
        batch->btn_speedClick();
        QTRY_VERIFY(!batch->feederRunning());
        batch->btn_speedClick();
        QCOMPARE(batch->feedersStarted(), 2);
        QVERIFY(batch->feederRunning());
        QTRY_VERIFY_WITH_TIMEOUT(allMeasured(), 20000);
        batch->btn_speedClick();
    }

    void pausingAndStartingQuicklyManyTimes() {
        for (int i = 0; i < 300; ++i) {
            batch->btn_speedClick();
            if (i % 7 == 0)
                QCoreApplication::processEvents();
            QVERIFY(batch->tp1.activeThreadCount() <= BatchSpeedTest::MaxPoolThreads);
        }
        // An even number of clicks: paused. Start once more and it still measures.
        QCOMPARE(SpeedTestRunning.load(), 0);
        const int applied = batch->resultsApplied();
        batch->btn_speedClick();
        QCOMPARE(caption(), QStringLiteral("暂停测速"));
        QVERIFY(batch->feederRunning());
        QTRY_VERIFY_WITH_TIMEOUT(batch->resultsApplied() >= applied + 3, 20000);
        batch->btn_speedClick();
    }

    // The connection monitor's stop: idle caption, Timer1 stopped, the feeder ends, nothing
    // more is written.
    void stopFromTheMonitor() {
        UiLanguage = 2;
        batch->btn_speedClick();
        QTRY_VERIFY_WITH_TIMEOUT(batch->resultsApplied() > 0, 20000);
        batch->stopBatchTest();
        QCOMPARE(SpeedTestRunning.load(), 0);
        QCOMPARE(caption(), QStringLiteral("Bat Speed"));
        QVERIFY(!engine->Timer1.isActive());
        QTRY_VERIFY(!batch->feederRunning());
        settle();
        const int applied = batch->resultsApplied();
        QTest::qWait(200);
        QCOMPARE(batch->resultsApplied(), applied);
        // The button starts it again.
        batch->btn_speedClick();
        QCOMPARE(SpeedTestRunning.load(), 1);
        QCOMPARE(caption(), QStringLiteral("Pause Speed"));
        batch->stopBatchTest();
    }

    // While the test runs, the area bar and the area change refuse, so the rows the tasks
    // refer to stay in place.
    void areaChangesRefusedWhileRunning() {
        batch->btn_speedClick();
        engine->SelectArea(1);
        engine->AreaTxt2Change();
        QCOMPARE(prompts->messages.size(), 2);
        QCOMPARE(prompts->messages.at(0).text, QStringLiteral("请先关闭测速"));
        QCOMPARE(prompts->messages.at(1).text, QStringLiteral("请先关闭测速"));
        QCOMPARE(list().rowCount(), 3);
        QCOMPARE(engine->XZ, 0);
        QTRY_VERIFY_WITH_TIMEOUT(allMeasured(), 20000);

        batch->btn_speedClick();
        engine->SelectArea(1);
        QCOMPARE(prompts->messages.size(), 2);
        QCOMPARE(list().rowCount(), 1);
        QCOMPARE(list().record(0).name, QStringLiteral("b1"));
        QCOMPARE(list().record(0).delay, QStringLiteral("NA"));
    }

    // An area of 5,000 lines: starting takes the order of every row at once, Timer1 keeps the
    // list sorted while the test runs (measured rows move ahead of "NA"), pausing sorts it.
    void fiveThousandLines() {
        QList<ps> rows;
        for (int i = 0; i < 5000; ++i)
            rows << row(QStringLiteral("line%1").arg(i, 4, 10, QLatin1Char('0')),
                        QStringLiteral("127.0.%1.%2").arg(i / 250).arg(i % 250 + 1));
        fillRows(rows);
        list().headerClick(LineListModel::NameColumn); // descending by name
        batch->setFeedIntervalMs(5);
        batch->btn_speedClick();
        // The first rows measured were the last by name; Timer1 puts them first.
        QTRY_VERIFY_WITH_TIMEOUT(
            batch->resultsApplied() >= 40 && list().record(0).delay != QStringLiteral("NA"), 20000);
        batch->btn_speedClick();
        settle();
        QCOMPARE(list().rowCount(), 5000);
        bool seenUnmeasured = false;
        for (int r = 0; r < list().rowCount(); ++r) {
            const bool unmeasured = list().record(r).delay == QStringLiteral("NA");
            QVERIFY2(!(seenUnmeasured && !unmeasured), "a measured row after an unmeasured one");
            seenUnmeasured = seenUnmeasured || unmeasured;
        }
        QVERIFY(seenUnmeasured);
    }

    void destroyedWhileRunning() {
        batch->setFeedIntervalMs(1);
        batch->btn_speedClick();
        QTRY_VERIFY_WITH_TIMEOUT(batch->resultsApplied() > 0, 20000);
        batch.reset();
        QCOMPARE(SpeedTestRunning.load(), 0);
        QCoreApplication::processEvents(); // results posted before the end go nowhere
    }
};

QTEST_GUILESS_MAIN(TestBatchSpeedTest)
#include "tst_batch_speed_test.moc"
