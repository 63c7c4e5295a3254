// ICMP echo and both speed tests against hosts behind a TUN device in a private network
// namespace: replies after a set delay, no reply, "host unreachable", or replies held until
// the test releases them. Needs root and /dev/net/tun; skips with the reason otherwise.
#include "app/main_window_engine.h"
#include "app/shared_flags.h"
#include "app/ui_language.h"
#include "line_document.h"
#include "lines/line_catalogue.h"
#include "lines/line_list_model.h"
#include "private_network.h"
#include "recording_echo.h"
#include "recording_prompts.h"
#include "speedtest/batch_speed_test.h"
#include "speedtest/linux/linux_icmp_echo.h"
#include "speedtest/single_speed_test.h"
#include "speedtest/speed_test_rules.h"
#include "temp_settings.h"
#include "tun_responder.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <thread>
#include <vector>

using namespace kvt;
using namespace kvt::test;

Q_DECLARE_METATYPE(kvt::IcmpSocketKind)

namespace {

// The network behind the TUN device (a benchmarking range: nothing here is a real host).
const std::string kLocal = "198.18.0.1";
const QString kAnswersAtOnce = QStringLiteral("198.18.0.10");
const QString kAnswersAfter45 = QStringLiteral("198.18.0.11");
const QString kAnswersAfter120 = QStringLiteral("198.18.0.12");
const QString kSilent = QStringLiteral("198.18.0.20");
const QString kUnreachable = QStringLiteral("198.18.0.21");
const QString kHeld = QStringLiteral("198.18.0.30");
const QString kNoRoute = QStringLiteral("198.19.7.7");
// 198.18.0.100 ... 198.18.0.159 are silent as well.
QString silentHost(int i) {
    return QStringLiteral("198.18.0.%1").arg(100 + i);
}

TunResponder* responder = nullptr;

int expectedDelayMs(const QString& address) {
    if (address == kAnswersAfter45)
        return 45;
    if (address == kAnswersAfter120)
        return 120;
    return 0;
}

ps row(const QString& name, const QString& ip) {
    ps record;
    record.name = name;
    record.ip = ip;
    record.delay = QStringLiteral("NA");
    return record;
}

} // namespace

class TestSpeedTestNetns : public QObject {
    Q_OBJECT

    std::unique_ptr<TempSettings> settings;
    std::unique_ptr<RecordingPrompts> prompts;
    std::unique_ptr<MainWindowEngine> engine;
    std::shared_ptr<RecordingEcho> echo;
    std::unique_ptr<BatchSpeedTest> batch;
    std::unique_ptr<SingleSpeedTest> single;

    LineListModel& list() { return engine->lineList(); }

    bool allMeasured() {
        for (int r = 0; r < list().rowCount(); ++r)
            if (list().record(r).delay == QStringLiteral("NA"))
                return false;
        return true;
    }

    void fillRows(const QList<ps>& rows) {
        list().clear();
        list().fill(rows);
        engine->IPAddrTxt = {QStringLiteral("line")};
        engine->IPAddrTxtIndex = 0;
    }

    // Selects the line `name` of the only area of a catalogue made of these lines.
    void selectLine(const QList<QPair<QString, QString>>& lines, const QString& name) {
        ReplaceLineCatalogue(LineDocument({{QStringLiteral("测试"), lines}}));
        engine->RebuildAreaBar(0);
        engine->SelectArea(0);
        engine->IPAddrTxtIndex = int(engine->IPAddrTxt.indexOf(name));
    }

    int echoesFor(const QString& address) const { return int(echo->recordsFor(address).size()); }

private Q_SLOTS:
    void initTestCase_data() {
        QTest::addColumn<IcmpSocketKind>("kind");
        QTest::newRow("datagram socket") << IcmpSocketKind::Datagram;
        QTest::newRow("raw socket") << IcmpSocketKind::Raw;
    }

    void initTestCase() {
        if (!PrivateNetworkFailure().empty())
            QSKIP(PrivateNetworkFailure().c_str());
        static TunResponder tun;
        const std::string why = tun.open("kvtping0", kLocal, 24);
        if (!why.empty())
            QSKIP(why.c_str());
        responder = &tun;
        tun.setBehaviour(kAnswersAfter45.toStdString(), TunResponder::answerAfter(45));
        tun.setBehaviour(kAnswersAfter120.toStdString(), TunResponder::answerAfter(120));
        tun.setBehaviour(kSilent.toStdString(), TunResponder::silent());
        tun.setBehaviour(kUnreachable.toStdString(), TunResponder::unreachable());
        tun.setBehaviour(kHeld.toStdString(), TunResponder::hold());
        for (int i = 0; i < 60; ++i)
            tun.setBehaviour(silentHost(i).toStdString(), TunResponder::silent());
    }

    void init() {
        QFETCH_GLOBAL(IcmpSocketKind, kind);
        const QString why = LinuxIcmpEcho::unavailableReason(kind);
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        UiLanguage = 0;
        SpeedTestRunning = 0;
        settings = std::make_unique<TempSettings>();
        prompts = std::make_unique<RecordingPrompts>();
        engine = std::make_unique<MainWindowEngine>();
        engine->exitProcess = [](int) {
        };
        echo = std::make_shared<RecordingEcho>(std::make_shared<LinuxIcmpEcho>(kind));
        batch = std::make_unique<BatchSpeedTest>(*engine, echo);
        single = std::make_unique<SingleSpeedTest>(*engine, echo);
    }

    void cleanup() {
        if (responder)
            responder->releaseHeld();
        single.reset();
        batch.reset();
        echo.reset();
        engine.reset();
        prompts.reset();
        settings.reset();
        QCOMPARE(SpeedTestRunning.load(), 0);
    }

    // ---- the echo itself ----

    void echoMeetsTheResponder_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("atLeastMs");
        QTest::addColumn<bool>("eventLoop");
        for (bool eventLoop : {false, true}) {
            const char* way = eventLoop ? "event loop" : "blocking";
            QTest::addRow("%s: at once", way)
                << kAnswersAtOnce << 4000 << int(EchoResult::Outcome::Reply) << 0 << eventLoop;
            QTest::addRow("%s: after 45 ms", way)
                << kAnswersAfter45 << 4000 << int(EchoResult::Outcome::Reply) << 45 << eventLoop;
            QTest::addRow("%s: after 120 ms", way)
                << kAnswersAfter120 << 4000 << int(EchoResult::Outcome::Reply) << 120 << eventLoop;
            QTest::addRow("%s: silent", way)
                << kSilent << 300 << int(EchoResult::Outcome::TimedOut) << 300 << eventLoop;
            QTest::addRow("%s: reply later than the timeout", way)
                << kAnswersAfter120 << 50 << int(EchoResult::Outcome::TimedOut) << 50 << eventLoop;
            QTest::addRow("%s: host unreachable", way)
                << kUnreachable << 60000 << int(EchoResult::Outcome::Unreachable) << 0 << eventLoop;
            QTest::addRow("%s: no route", way)
                << kNoRoute << 60000 << int(EchoResult::Outcome::Unreachable) << 0 << eventLoop;
        }
    }
    void echoMeetsTheResponder() {
        QFETCH(QString, address);
        QFETCH(int, timeoutMs);
        QFETCH(int, outcome);
        QFETCH(int, atLeastMs);
        QFETCH(bool, eventLoop);
        EchoRequest request;
        request.address = address;
        request.timeoutMs = timeoutMs;
        request.payloadSize = 56;
        request.ttl = 64;
        const int before = responder->seen(address.toStdString()).requests;

        EchoResult result;
        if (eventLoop) {
            bool done = false;
            auto pending = echo->startEcho(request, [&](const EchoResult& r) {
                result = r;
                done = true;
            });
            QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
        } else {
            result = echo->echo(request);
        }
        QCOMPARE(int(result.outcome), outcome);
        QCOMPARE(result.replies, outcome == int(EchoResult::Outcome::Reply) ? 1 : 0);
        QVERIFY2(result.roundTripUs >= qint64(atLeastMs) * 1000,
                 qPrintable(QString::number(result.roundTripUs)));
        if (address != kNoRoute) {
            const TunResponder::Seen seen = responder->seen(address.toStdString());
            QCOMPARE(seen.requests, before + 1);
            QCOMPARE(seen.lastTtl, 64);
            QCOMPARE(seen.lastPayloadSize, 56);
        }
    }

    void unresolvableNamesFail_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("unknown name") << QStringLiteral("no-such-host.invalid");
        QTest::newRow("garbage") << QStringLiteral("garbage!! ##");
        QTest::newRow("octet out of range") << QStringLiteral("999.1.1.1");
        QTest::newRow("line name instead of an address") << QStringLiteral("广东电信1");
    }
    // This namespace has no way out, so no name resolves here except through /etc/hosts.
    void unresolvableNamesFail() {
        QFETCH(QString, address);
        EchoRequest request;
        request.address = address;
        QCOMPARE(echo->echo(request).outcome, EchoResult::Outcome::BadAddress);
        bool done = false;
        EchoResult result;
        auto pending = echo->startEcho(request, [&](const EchoResult& r) {
            result = r;
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
        QCOMPARE(result.outcome, EchoResult::Outcome::BadAddress);
    }

    // cancelAll wakes echoes that wait for a reply that never comes.
    void cancelWakesWaitingEchoes() {
        LinuxIcmpEcho direct(QTest::currentDataTag() == QByteArray("raw socket")
                                 ? IcmpSocketKind::Raw
                                 : IcmpSocketKind::Datagram);
        const int before = responder->seen(kSilent.toStdString()).requests;
        std::vector<EchoResult> results(5);
        std::vector<std::thread> threads;
        for (int i = 0; i < 5; ++i) {
            threads.emplace_back([&, i] {
                EchoRequest request;
                request.address = kSilent;
                request.timeoutMs = 120000;
                results[i] = direct.echo(request);
            });
        }
        QVERIFY(responder->waitForRequests(kSilent.toStdString(), before + 5, 20000));
        direct.cancelAll();
        for (std::thread& thread : threads)
            thread.join();
        for (const EchoResult& result : results)
            QCOMPARE(result.outcome, EchoResult::Outcome::Cancelled);
    }

    // ---- batch test ----

    // The shown delay is nine tenths of the measured round trip, rounded down; failures show
    // the failure text and count.
    void batchDelayRuleAndFailures() {
        UiLanguage = 2;
        fillRows({row("at once", kAnswersAtOnce), row("45 ms", kAnswersAfter45),
                  row("120 ms", kAnswersAfter120), row("silent", kSilent),
                  row("unreachable", kUnreachable),
                  row("unknown name", QStringLiteral("no-such-host.invalid"))});
        batch->setEchoTimeoutMs(300);
        batch->btn_speedClick();
        QTRY_VERIFY_WITH_TIMEOUT(allMeasured(), 30000);
        batch->btn_speedClick();
        QVERIFY(batch->tp1.waitForDone(30000));
        QCoreApplication::processEvents();

        for (int r = 0; r < list().rowCount(); ++r) {
            const ps& record = list().record(r);
            const QList<RecordingEcho::Record> echoes = echo->recordsFor(record.ip);
            QVERIFY(!echoes.isEmpty());
            if (record.name.endsWith(QStringLiteral("ms")) || record.name == "at once") {
                QStringList possible;
                for (const RecordingEcho::Record& e : echoes) {
                    QCOMPARE(e.result.outcome, EchoResult::Outcome::Reply);
                    QVERIFY(e.result.roundTripMs() >= expectedDelayMs(record.ip));
                    possible << QString::number(ShownDelayMs(e.result.roundTripMs()));
                }
                QVERIFY2(possible.contains(record.delay),
                         qPrintable(record.delay + " not in " + possible.join(',')));
                QCOMPARE(record.losttimes, 0);
            } else {
                QCOMPARE(record.delay, QStringLiteral("Unknown"));
                QVERIFY(record.losttimes >= 1);
                // Echoes that ended after the pause are not counted.
                QVERIFY(record.losttimes <= int(echoes.size()));
            }
        }
        const TunResponder::Seen seen = responder->seen(kAnswersAfter45.toStdString());
        QCOMPARE(seen.lastTtl, 64);
        QCOMPARE(seen.lastPayloadSize, 56);
        QCOMPARE(list().record(0).name, QStringLiteral("at once")); // sorted at the pause
    }

    // A result that finishes after the pause, or arrives at the engine's thread after it, is
    // dropped: the row keeps what it had.
    void resultsAfterThePauseAreDropped_data() {
        QTest::addColumn<bool>("replyBeforePause");
        QTest::newRow("reply before the pause, handled after it") << true;
        QTest::newRow("reply after the pause") << false;
    }
    void resultsAfterThePauseAreDropped() {
        QFETCH(bool, replyBeforePause);
        fillRows({row("held", kHeld)});
        const int before = responder->seen(kHeld.toStdString()).requests;
        batch->btn_speedClick();
        // The feeder queues the only row, then waits for this thread to hand it the next
        // pass; this thread handles no event until the pause.
        QVERIFY(responder->waitForRequests(kHeld.toStdString(), before + 1, 20000));
        if (replyBeforePause) {
            responder->releaseHeld();
            QVERIFY(batch->tp1.waitForDone(20000));
            QCOMPARE(echoesFor(kHeld), 1);
            QCOMPARE(echo->recordsFor(kHeld).at(0).result.outcome, EchoResult::Outcome::Reply);
            batch->btn_speedClick();
        } else {
            batch->btn_speedClick();
            responder->releaseHeld();
            QVERIFY(batch->tp1.waitForDone(20000));
        }
        QCoreApplication::processEvents();
        QCOMPARE(list().record(0).delay, QStringLiteral("NA"));
        QCOMPARE(list().record(0).losttimes, 0);
        QCOMPARE(batch->resultsApplied(), 0);
    }

    // A task still out when the test is paused and the area changed finds no row when the
    // test runs again: its result has no effect on the new rows.
    void resultForARemovedRowHasNoEffect() {
        ReplaceLineCatalogue(
            LineDocument({{QStringLiteral("甲"), {{QStringLiteral("held"), kHeld}}},
                          {QStringLiteral("乙"), {{QStringLiteral("quiet"), silentHost(0)}}}}));
        engine->RebuildAreaBar(0);
        engine->SelectArea(0);
        batch->setEchoTimeoutMs(120000);
        const int before = responder->seen(kHeld.toStdString()).requests;
        batch->btn_speedClick();
        QVERIFY(responder->waitForRequests(kHeld.toStdString(), before + 1, 20000));
        batch->btn_speedClick();
        engine->SelectArea(1);
        QCOMPARE(list().record(0).name, QStringLiteral("quiet"));
        batch->btn_speedClick();
        responder->releaseHeld();
        QTRY_COMPARE_WITH_TIMEOUT(batch->resultsIgnored(), 1, 20000);
        QCOMPARE(list().rowCount(), 1);
        QCOMPARE(list().record(0).delay, QStringLiteral("NA"));
        QCOMPARE(batch->resultsApplied(), 0);
        batch->btn_speedClick();
    }

    // Closing while 40 echoes wait for replies that never come: every one ends at once as
    // cancelled, none sits out its timeout, and no result reaches the list.
    void closingWithFortyEchoesInFlight() {
        QList<ps> rows;
        for (int i = 0; i < 60; ++i)
            rows << row(QStringLiteral("silent %1").arg(i), silentHost(i));
        fillRows(rows);
        batch->setFeedIntervalMs(1);
        batch->btn_speedClick();
        QTRY_COMPARE_WITH_TIMEOUT(batch->tp1.activeThreadCount(), BatchSpeedTest::MaxPoolThreads,
                                  20000);
        QCOMPARE(echo->records().size(), 0);
        engine->FormClose(); // sets SpeedTestRunning to 0, as the close sequence does
        batch.reset();
        const QList<RecordingEcho::Record> records = echo->records();
        QCOMPARE(records.size(), BatchSpeedTest::MaxPoolThreads);
        for (const RecordingEcho::Record& record : records)
            QCOMPARE(record.result.outcome, EchoResult::Outcome::Cancelled);
        for (int r = 0; r < list().rowCount(); ++r)
            QCOMPARE(list().record(r).delay, QStringLiteral("NA"));
    }

    // ---- single test ----

    void singleSeries_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("pattern"); // every line; empty: no line at all
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("atLeastMs");
        QTest::newRow("answers after 45 ms")
            << kAnswersAfter45 << QStringLiteral("^线路一:  time=(\\d+) ms$") << 7 << 45;
        QTest::newRow("silent") << kSilent << QStringLiteral("^Request timed out\\.$") << 7 << 0;
        QTest::newRow("unreachable")
            << kUnreachable << QStringLiteral("^Request timed out\\.$") << 7 << 0;
        QTest::newRow("IPv6 address ends the series")
            << QStringLiteral("::1") << QString() << 0 << 0;
        QTest::newRow("unknown name ends the series")
            << QStringLiteral("no-such-host.invalid") << QString() << 0 << 0;
    }
    void singleSeries() {
        QFETCH(QString, address);
        QFETCH(QString, pattern);
        QFETCH(int, lines);
        QFETCH(int, atLeastMs);
        selectLine(
            {{QStringLiteral("线路零"), kAnswersAtOnce}, {QStringLiteral("线路一"), address}},
            QStringLiteral("线路一"));
        single->setEchoTimeoutMs(200);
        QSignalSpy finished(single.get(), &SingleSpeedTest::seriesFinished);
        QSignalSpy shown(single.get(), &SingleSpeedTest::showRequested);
        single->cesuClick();
        QCOMPARE(shown.size(), 1);
        QVERIFY(!engine->isControlEnabled(QStringLiteral("cesu")));
        QVERIFY(finished.wait(30000));
        QVERIFY(engine->isControlEnabled(QStringLiteral("cesu")));
        QCOMPARE(single->target(), address);
        QCOMPARE(single->ListBox1().size(), lines);
        const QRegularExpression line(pattern);
        for (const QString& text : single->ListBox1()) {
            const QRegularExpressionMatch match = line.match(text);
            QVERIFY2(match.hasMatch(), qPrintable(text));
            if (atLeastMs > 0)
                QVERIFY(match.captured(1).toInt() >= atLeastMs);
        }
        if (lines > 0) {
            const TunResponder::Seen seen = responder->seen(address.toStdString());
            QCOMPARE(seen.lastPayloadSize, 32);
        }
        QCOMPARE(prompts->messages.size(), 0);
    }

    // A reply in under a millisecond reads "<1"; the line shows the measured time.
    void singleLinesFollowTheMeasuredTime() {
        selectLine({{QStringLiteral("近"), kAnswersAtOnce}}, QStringLiteral("近"));
        QSignalSpy finished(single.get(), &SingleSpeedTest::seriesFinished);
        single->cesuClick();
        QVERIFY(finished.wait(30000));
        const QList<RecordingEcho::Record> echoes = echo->recordsFor(kAnswersAtOnce);
        QCOMPARE(echoes.size(), 7);
        QCOMPARE(single->ListBox1().size(), 7);
        for (int i = 0; i < 7; ++i) {
            const qint64 t = echoes.at(i).result.roundTripMs();
            QCOMPARE(single->ListBox1().at(i), t == 0 ? QStringLiteral("近:  time<1 ms")
                                                      : QStringLiteral("近:  time=%1 ms").arg(t));
        }
    }

    // Retry empties the list and tests again; a series still running is given up for it.
    void retryStartsOver() {
        selectLine({{QStringLiteral("慢"), kAnswersAfter120}}, QStringLiteral("慢"));
        QSignalSpy finished(single.get(), &SingleSpeedTest::seriesFinished);
        single->cesuClick();
        QTRY_VERIFY_WITH_TIMEOUT(single->ListBox1().size() >= 2, 30000);
        single->Button1Click();
        QCOMPARE(single->ListBox1().size(), 0);
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(single->ListBox1().size(), 7);
    }
};

int main(int argc, char** argv) {
    // Before anything starts a thread: the namespace belongs to the thread that makes it.
    if (EnterPrivateNetwork().empty())
        SetPingGroupRange("0 2147483647"); // datagram ICMP sockets in this namespace only
    QCoreApplication app(argc, argv);
    TestSpeedTestNetns test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_speed_test_netns.moc"
