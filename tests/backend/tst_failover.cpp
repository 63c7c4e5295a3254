#include "app/ui_language.h"
#include "backend/failover.h"
#include "backend/http_exchange.h"
#include "backend/session_state.h"
#include "recording_http_server.h"

#include <QTest>

#include <memory>

using namespace kvt;
using kvt::test::CannedAnswer;
using kvt::test::RecordingHttpServer;
using kvt::test::RefusingPort;

namespace {
const QStringList kFields = {QStringLiteral("UserID=a&b"), QStringLiteral("Upassword=p w")};
const QByteArray kBody = "UserID=a%26b&Upassword=p+w";
const QByteArray kUserCheckPath = "/sysadmin/useradmin/usercheckkvt802.php";
} // namespace

class TestFailover : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        UiLanguage = 0;
        Session() = {};
    }
    void cleanup() { UiLanguage = 0; }

    // The first host fails in one of three ways; the alternate answers and becomes the
    // backend host for the rest of the run.
    void failedFirstAttemptMovesToTheAlternateHost_data() {
        QTest::addColumn<QString>("failure");
        QTest::newRow("connection refused") << "refused";
        QTest::newRow("HTTP 500") << "500";
        QTest::newRow("read timeout") << "timeout";
    }
    void failedFirstAttemptMovesToTheAlternateHost() {
        QFETCH(QString, failure);
        RefusingPort refusing;
        RecordingHttpServer first;
        RecordingHttpServer second;
        second.setDefaultAnswer(CannedAnswer::text("free account"));
        if (failure == QLatin1String("refused")) {
            Session().BackendHost = refusing.hostPort();
        } else {
            first.setDefaultAnswer(failure == QLatin1String("500") ? CannedAnswer::error(500)
                                                                   : CannedAnswer::delayed(3000));
            Session().BackendHost = first.hostPort();
        }
        Session().AlternateHost = second.hostPort();

        QCOMPARE(PostWithFailover(QStringLiteral("usercheckkvt802"), kFields, 300),
                 QStringLiteral("free account"));
        QCOMPARE(Session().BackendHost, second.hostPort());
        QCOMPARE(Session().AlternateHost, second.hostPort());

        QCOMPARE(second.requestCount(), 1);
        const auto retried = second.lastRequest();
        QCOMPARE(retried.path, kUserCheckPath);
        QCOMPARE(retried.body, kBody);
        if (failure != QLatin1String("refused")) {
            QCOMPARE(first.requestCount(), 1);
            QCOMPARE(first.lastRequest().body, kBody);
        }

        // Later requests go straight to the new backend host.
        first.clearRequests();
        second.clearRequests();
        QCOMPARE(PostWithFailover(QStringLiteral("datecheckkvt802"), kFields, 300),
                 QStringLiteral("free account"));
        QCOMPARE(first.requestCount(), 0);
        QCOMPARE(second.requestCount(), 1);
    }

    void unexpectedAnswerDoesNotFailOver_data() {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("unknown token") << QByteArray("whatever");
        QTest::newRow("error token") << QByteArray("error");
        QTest::newRow("empty 200 answer") << QByteArray();
    }
    void unexpectedAnswerDoesNotFailOver() {
        QFETCH(QByteArray, answer);
        RecordingHttpServer first;
        RecordingHttpServer second;
        first.setDefaultAnswer(CannedAnswer::text(answer));
        second.setDefaultAnswer(CannedAnswer::text("other"));
        Session().BackendHost = first.hostPort();
        Session().AlternateHost = second.hostPort();
        QCOMPARE(PostWithFailover(QStringLiteral("usercheckkvt802"), kFields, DefaultReadTimeoutMs),
                 QString::fromUtf8(answer));
        QCOMPARE(Session().BackendHost, first.hostPort());
        QCOMPARE(second.requestCount(), 0);
    }

    void bothHostsFailingGiveEmptyAnswerAfterTwoAttempts() {
        RecordingHttpServer first;
        RecordingHttpServer second;
        first.setDefaultAnswer(CannedAnswer::error(500));
        second.setDefaultAnswer(CannedAnswer::error(503));
        Session().BackendHost = first.hostPort();
        Session().AlternateHost = second.hostPort();
        QCOMPARE(PostWithFailover(QStringLiteral("usercheckkvt802"), kFields, DefaultReadTimeoutMs),
                 QString());
        QCOMPARE(first.requestCount(), 1);
        QCOMPARE(second.requestCount(), 1);
        QCOMPARE(Session().BackendHost, first.hostPort());
        QCOMPARE(Session().AlternateHost, second.hostPort());
    }

    void noAlternateHostMeansNoSecondAttempt() {
        RecordingHttpServer first;
        first.setDefaultAnswer(CannedAnswer::error(500));
        Session().BackendHost = first.hostPort();
        QCOMPARE(PostWithFailover(QStringLiteral("usercheckkvt802"), kFields, DefaultReadTimeoutMs),
                 QString());
        QCOMPARE(first.requestCount(), 1);
        QCOMPARE(Session().BackendHost, first.hostPort());
    }

    void retryUsesTheSameLanguageVariant() {
        RefusingPort refusing;
        RecordingHttpServer second;
        second.setDefaultAnswer(CannedAnswer::text("ok"));
        Session().BackendHost = refusing.hostPort();
        Session().AlternateHost = second.hostPort();
        UiLanguage = 2;
        QCOMPARE(PostWithFailover(QStringLiteral("datecheckkvt802"), kFields, DefaultReadTimeoutMs),
                 QStringLiteral("ok"));
        QCOMPARE(second.lastRequest().path,
                 QByteArray("/sysadmin/useradmin/datecheckkvt802_en.php"));
    }
};

QTEST_GUILESS_MAIN(TestFailover)
#include "tst_failover.moc"
