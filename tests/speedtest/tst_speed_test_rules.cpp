#include "speedtest/speed_test_rules.h"

#include <QTest>

using namespace kvt;

namespace {

EchoResult result(EchoResult::Outcome outcome, qint64 us) {
    EchoResult r;
    r.outcome = outcome;
    r.replies = outcome == EchoResult::Outcome::Reply ? 1 : 0;
    r.roundTripUs = us;
    return r;
}

} // namespace

// The arithmetic and the texts of the two tests' results.
class TestSpeedTestRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shownDelay_data() {
        QTest::addColumn<qint64>("roundTripMs");
        QTest::addColumn<qint64>("shown");
        QTest::newRow("45 ms") << qint64(45) << qint64(40);
        QTest::newRow("9 ms") << qint64(9) << qint64(8);
        QTest::newRow("100 ms") << qint64(100) << qint64(90);
        QTest::newRow("under a millisecond") << qint64(0) << qint64(0);
        QTest::newRow("1 ms") << qint64(1) << qint64(0);
        QTest::newRow("10 ms") << qint64(10) << qint64(9);
        QTest::newRow("3999 ms") << qint64(3999) << qint64(3599);
    }
    void shownDelay() {
        QFETCH(qint64, roundTripMs);
        QFETCH(qint64, shown);
        QCOMPARE(ShownDelayMs(roundTripMs), shown);
    }

    // The round trip counts in whole milliseconds before the rule: 45.9 ms shows as 40.
    void roundTripTruncatesToMilliseconds() {
        QCOMPARE(result(EchoResult::Outcome::Reply, 45900).roundTripMs(), qint64(45));
        QCOMPARE(ShownDelayMs(result(EchoResult::Outcome::Reply, 45900).roundTripMs()), qint64(40));
        QCOMPARE(result(EchoResult::Outcome::Reply, 999).roundTripMs(), qint64(0));
    }

    void batchEffect_data() {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("effect");
        QTest::newRow("reply") << int(EchoResult::Outcome::Reply) << int(BatchEffect::Delay);
        QTest::newRow("timed out")
            << int(EchoResult::Outcome::TimedOut) << int(BatchEffect::Failure);
        QTest::newRow("unreachable")
            << int(EchoResult::Outcome::Unreachable) << int(BatchEffect::Failure);
        QTest::newRow("bad address")
            << int(EchoResult::Outcome::BadAddress) << int(BatchEffect::Failure);
        QTest::newRow("no socket")
            << int(EchoResult::Outcome::SocketError) << int(BatchEffect::None);
        QTest::newRow("cancelled") << int(EchoResult::Outcome::Cancelled) << int(BatchEffect::None);
    }
    void batchEffect() {
        QFETCH(int, outcome);
        QFETCH(int, effect);
        QCOMPARE(int(BatchEffectOf(result(EchoResult::Outcome(outcome), 5000))), effect);
    }

    void singleLine_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("t");
        QTest::addColumn<QString>("line");
        QTest::newRow("under a millisecond") << "广东1" << qint64(0) << "广东1:  time<1 ms";
        QTest::newRow("1 ms") << "广东1" << qint64(1) << "广东1:  time=1 ms";
        QTest::newRow("999 ms") << "gd" << qint64(999) << "gd:  time=999 ms";
        QTest::newRow("1000 ms") << "gd" << qint64(1000) << "Request timed out.";
        QTest::newRow("name with a format mark") << "a%2b" << qint64(7) << "a%2b:  time=7 ms";
    }
    void singleLine() {
        QFETCH(QString, name);
        QFETCH(qint64, t);
        QFETCH(QString, line);
        QCOMPARE(SingleReplyLine(name, t), line);
    }

    // Without a reply the single test reports the time waited, at least 1000 ms, so every
    // echo that got no reply reads "Request timed out.".
    void reportedTime_data() {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<qint64>("us");
        QTest::addColumn<qint64>("reported");
        QTest::newRow("reply") << int(EchoResult::Outcome::Reply) << qint64(12345) << qint64(12);
        QTest::newRow("timeout") << int(EchoResult::Outcome::TimedOut) << qint64(1000400)
                                 << qint64(1000);
        QTest::newRow("short wait")
            << int(EchoResult::Outcome::TimedOut) << qint64(200000) << qint64(1000);
        QTest::newRow("unreachable")
            << int(EchoResult::Outcome::Unreachable) << qint64(3000) << qint64(1000);
    }
    void reportedTime() {
        QFETCH(int, outcome);
        QFETCH(qint64, us);
        QFETCH(qint64, reported);
        QCOMPARE(ReportedTimeMs(result(EchoResult::Outcome(outcome), us)), reported);
    }
};

QTEST_GUILESS_MAIN(TestSpeedTestRules)
#include "tst_speed_test_rules.moc"
