#include "app/ui_language.h"
#include "backend/endpoints.h"
#include "backend/main_node.h"
#include "backend/session_state.h"
#include "recording_http_server.h"

#include <QTest>

using namespace kvt;
using kvt::test::CannedAnswer;
using kvt::test::RecordingHttpServer;
using kvt::test::RefusingPort;

namespace {

const QByteArray kNetcheckPath = "/sysadmin/useradmin/netcheckkvt802.php";

// The eight fields the main node answer fills, in a fixed order for comparison.
QStringList hostFields() {
    const SessionState& s = Session();
    return {s.ClientAddress, s.DirectRouteAddress, s.LatestVersion, s.UpdateMode,
            s.BackendHost,   s.AlternateHost,      s.UpdateUrl,     s.IpChangeAllowed};
}

} // namespace

class TestMainNode : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        UiLanguage = 0;
        Session() = {};
        endpoints() = Endpoints::defaults();
    }
    void cleanup() {
        UiLanguage = 0;
        endpoints() = Endpoints::defaults();
    }

    void mainNodeAnswer_data() {
        QTest::addColumn<QByteArray>("answer");
        // client, direct, version, mode, backend, update url, flag (alternate is FallbackHost)
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("five fields") << QByteArray("a-b|8.1.2-3|h:1|(u)|2")
                                     << QStringList{"a", "b", "8.1.2", "3", "h:1", "u", "2"};
        QTest::newRow("empty field moves later ones up")
            << QByteArray("a-b||h|(u)|2") << QStringList{"a", "b", "h", "", "(u)", "2", ""};
        QTest::newRow("no delimiter at all")
            << QByteArray("1.2.3.4-5.6.7.8")
            << QStringList{"1.2.3.4", "5.6.7.8", "", "", "", "", ""};
        QTest::newRow("download address without parenthesis")
            << QByteArray("a-b|8.0.9-1|h:1|http://x/y.exe)|1")
            << QStringList{"a", "b", "8.0.9", "1", "h:1", "http://x/y.exe", "1"};
        QTest::newRow("text after the closing parenthesis is dropped")
            << QByteArray("a-b|8.0.9-1|h:1|(http://x/y.exe)tail|1")
            << QStringList{"a", "b", "8.0.9", "1", "h:1", "http://x/y.exe", "1"};
        QTest::newRow("answer kept untrimmed")
            << QByteArray("a-b|v-m|h|(u)|2\r\n")
            << QStringList{"a", "b", "v", "m", "h", "u", "2\r\n"};
    }
    void mainNodeAnswer() {
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, expected);
        RecordingHttpServer main;
        RecordingHttpServer fallback;
        main.setDefaultAnswer(CannedAnswer::text(answer));
        fallback.setDefaultAnswer(CannedAnswer::text("x-y|9-9|other|(o)|1"));
        endpoints().mainNode = main.hostPort();
        endpoints().fallbackNode = fallback.hostPort();
        UiLanguage = 2; // netcheck has one name for every language

        QVERIFY(QueryMainNode());
        const SessionState& s = Session();
        QCOMPARE(s.ClientAddress, expected.at(0));
        QCOMPARE(s.DirectRouteAddress, expected.at(1));
        QCOMPARE(s.LatestVersion, expected.at(2));
        QCOMPARE(s.UpdateMode, expected.at(3));
        QCOMPARE(s.BackendHost, expected.at(4));
        QCOMPARE(s.UpdateUrl, expected.at(5));
        QCOMPARE(s.IpChangeAllowed, expected.at(6));
        QCOMPARE(s.AlternateHost, FallbackHost());
        QCOMPARE(s.AlternateHost, fallback.hostPort());

        QCOMPARE(main.requestCount(), 1);
        const auto request = main.lastRequest();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.target, kNetcheckPath);
        QCOMPARE(request.header("User-Agent"), QByteArray("iisuser_class"));
        QCOMPARE(fallback.requestCount(), 0);
    }

    // The main node gives no answer: refused, an error status, or an empty text.
    void silentMainNodeFallsBack_data() {
        QTest::addColumn<QString>("silence");
        QTest::newRow("refused") << "refused";
        QTest::newRow("HTTP 500") << "500";
        QTest::newRow("empty answer") << "empty";
    }
    void silentMainNodeFallsBack() {
        QFETCH(QString, silence);
        RefusingPort refusing;
        RecordingHttpServer main;
        RecordingHttpServer fallback;
        if (silence == QLatin1String("refused")) {
            endpoints().mainNode = refusing.hostPort();
        } else {
            main.setDefaultAnswer(silence == QLatin1String("500") ? CannedAnswer::error(500)
                                                                  : CannedAnswer::text(""));
            endpoints().mainNode = main.hostPort();
        }
        fallback.setDefaultAnswer(CannedAnswer::text("c-d|8.0.0-1|alt:9|(x)|1"));
        endpoints().fallbackNode = fallback.hostPort();

        QVERIFY(QueryMainNode());
        QCOMPARE(hostFields(),
                 (QStringList{"c", "d", "8.0.0", "1", fallback.hostPort(), "alt:9", "x", "1"}));
        QCOMPARE(Session().BackendHost, FallbackHost());
        QCOMPARE(fallback.requestCount(), 1);
        QCOMPARE(fallback.lastRequest().target, kNetcheckPath);
    }

    void bothNodesSilentChangeNothing() {
        RefusingPort refusing;
        RecordingHttpServer fallback;
        fallback.setDefaultAnswer(CannedAnswer::error(503));
        endpoints().mainNode = refusing.hostPort();
        endpoints().fallbackNode = fallback.hostPort();
        SessionState& s = Session();
        s.ClientAddress = QStringLiteral("old-client");
        s.DirectRouteAddress = QStringLiteral("old-direct");
        s.LatestVersion = QStringLiteral("old-version");
        s.UpdateMode = QStringLiteral("old-mode");
        s.BackendHost = QStringLiteral("old-backend:1");
        s.AlternateHost = QStringLiteral("old-alternate:2");
        s.UpdateUrl = QStringLiteral("old-url");
        s.IpChangeAllowed = QStringLiteral("old-flag");
        const QStringList before = hostFields();

        QVERIFY(!QueryMainNode());
        QCOMPARE(hostFields(), before);
        QCOMPARE(fallback.requestCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestMainNode)
#include "tst_main_node.moc"
