#include "backend/endpoints.h"
#include "backend/http_exchange.h"
#include "recording_http_server.h"

#include <QTest>
#include <QTimer>

using namespace kvt;
using kvt::test::CannedAnswer;
using kvt::test::RecordingHttpServer;
using kvt::test::RefusingPort;

// PostForm and FetchText against a real HTTP server on loopback.
class TestHttpExchange : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { endpoints().codePage = QStringLiteral("UTF-8"); }

    void postSendsExactlyTheThreeHeadersAndTheFieldsInOrder() {
        RecordingHttpServer server;
        server.setDefaultAnswer(CannedAnswer::text("ok"));
        const QString answer =
            PostForm(server.url(QStringLiteral("/sysadmin/useradmin/usercheckkvt802.php")),
                     {QStringLiteral("UserID=alice"), QStringLiteral("Upassword=secret"),
                      QStringLiteral("zeta=1")},
                     DefaultReadTimeoutMs);
        QCOMPARE(answer, QStringLiteral("ok"));
        QCOMPARE(server.requestCount(), 1);
        const auto request = server.lastRequest();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, QByteArray("/sysadmin/useradmin/usercheckkvt802.php"));
        QCOMPARE(request.header("Accept"), QByteArray("text/html, */*"));
        QCOMPARE(request.header("User-Agent"),
                 QByteArray("Mozilla/3.0 (compatible; Indy Library)"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        QVERIFY(!request.hasHeader("Cookie"));
        QCOMPARE(request.body, QByteArray("UserID=alice&Upassword=secret&zeta=1"));
    }

    void fieldEncoding_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("plain") << QStringLiteral("UserID=user01") << QByteArray("UserID=user01");
        QTest::newRow("ampersand") << QStringLiteral("UserID=a&b") << QByteArray("UserID=a%26b");
        QTest::newRow("spaces") << QStringLiteral("UserID= a b ") << QByteArray("UserID=+a+b+");
        QTest::newRow("quotes") << QStringLiteral("Upassword=\"x'y\"")
                                << QByteArray("Upassword=%22x%27y%22");
        QTest::newRow("equals sign in the value")
            << QStringLiteral("Upassword=a=b") << QByteArray("Upassword=a%3Db");
        QTest::newRow("plus, percent, hash")
            << QStringLiteral("Upassword=1+1%#") << QByteArray("Upassword=1%2B1%25%23");
        QTest::newRow("Chinese as UTF-8")
            << QStringLiteral("UserID=中文") << QByteArray("UserID=%E4%B8%AD%E6%96%87");
        QTest::newRow("empty value") << QStringLiteral("UserID=") << QByteArray("UserID=");
        QTest::newRow("1000 characters")
            << QStringLiteral("cardno=") + QString(1000, QLatin1Char('7'))
            << QByteArray("cardno=") + QByteArray(1000, '7');
        QTest::newRow("1000 characters to encode")
            << QStringLiteral("cardno=") + QString(1000, QLatin1Char('&'))
            << QByteArray("cardno=") + QByteArray("%26").repeated(1000);
    }
    void fieldEncoding() {
        QFETCH(QString, field);
        QFETCH(QByteArray, encoded);
        RecordingHttpServer server;
        server.setDefaultAnswer(CannedAnswer::text("ok"));
        PostForm(server.url(QStringLiteral("/p.php")), {QStringLiteral("first=1"), field},
                 DefaultReadTimeoutMs);
        QCOMPARE(server.lastRequest().body, QByteArray("first=1&") + encoded);
    }

    void answerIsNotTrimmed() {
        RecordingHttpServer server;
        server.setDefaultAnswer(CannedAnswer::text(" error\r\n"));
        QCOMPARE(PostForm(server.url(QStringLiteral("/p.php")), {}, DefaultReadTimeoutMs),
                 QStringLiteral(" error\r\n"));
        QCOMPARE(FetchText(server.url(QStringLiteral("/g.php"))), QStringLiteral(" error\r\n"));
    }

    void readTimeoutFailsThePost() {
        RecordingHttpServer server;
        server.setDefaultAnswer(CannedAnswer::delayed(3000));
        QVERIFY_THROWS_EXCEPTION(RequestFailed,
                                 PostForm(server.url(QStringLiteral("/p.php")), {}, 300));
        QCOMPARE(server.requestCount(), 1);
    }

    void timersTickWhileWaiting() {
        RecordingHttpServer server;
        server.setDefaultAnswer(CannedAnswer::delayed(500, "done"));
        int ticks = 0;
        QTimer timer;
        timer.setInterval(10);
        connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
        timer.start();
        QCOMPARE(PostForm(server.url(QStringLiteral("/p.php")), {}, 10000), QStringLiteral("done"));
        QVERIFY(ticks > 0);
    }

    void httpErrorStatusFails_data() {
        QTest::addColumn<int>("status");
        QTest::newRow("404") << 404;
        QTest::newRow("500") << 500;
        QTest::newRow("503") << 503;
    }
    void httpErrorStatusFails() {
        QFETCH(int, status);
        RecordingHttpServer server;
        server.setDefaultAnswer(CannedAnswer::error(status));
        try {
            PostForm(server.url(QStringLiteral("/p.php")), {}, DefaultReadTimeoutMs);
            QFAIL("an HTTP error status must fail the post");
        } catch (const RequestFailed& failure) {
            QVERIFY2(QString::fromUtf8(failure.what()).contains(QString::number(status)),
                     failure.what());
        }
        QCOMPARE(FetchText(server.url(QStringLiteral("/g.php"))), QString());
    }

    void refusedConnectionFails() {
        RefusingPort closed;
        const QString url =
            QStringLiteral("http://") + closed.hostPort() + QStringLiteral("/p.php");
        QVERIFY_THROWS_EXCEPTION(RequestFailed, PostForm(url, {}, DefaultReadTimeoutMs));
        QCOMPARE(FetchText(url), QString());
    }

    // A post is answered by the script itself; a redirect page must not pass for an answer
    // that a caller would read as success.
    void postDoesNotTakeARedirectForAnAnswer() {
        RecordingHttpServer server;
        server.setAnswer("/p.php", CannedAnswer::redirect("/q.php"));
        server.setAnswer("/q.php", CannedAnswer::text("elsewhere"));
        QVERIFY_THROWS_EXCEPTION(RequestFailed, PostForm(server.url(QStringLiteral("/p.php")), {},
                                                         DefaultReadTimeoutMs));
        QCOMPARE(server.requestCount(), 1);
    }

    void fetchFollowsRedirectsWithItsOwnUserAgent() {
        RecordingHttpServer server;
        server.setAnswer("/old.php", CannedAnswer::redirect(server.url("/new.php").toUtf8()));
        server.setAnswer("/new.php", CannedAnswer::text("moved here"));
        QCOMPARE(FetchText(server.url(QStringLiteral("/old.php"))), QStringLiteral("moved here"));
        const auto requests = server.requests();
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests.at(1).path, QByteArray("/new.php"));
        for (const auto& request : requests) {
            QCOMPARE(request.method, QByteArray("GET"));
            QCOMPARE(request.header("User-Agent"), QByteArray("iisuser_class"));
            QCOMPARE(request.header("Accept"), QByteArray("text/html, */*"));
        }
    }

    void fetchGivesUpOnARedirectLoop() {
        RecordingHttpServer server;
        server.setAnswer("/a.php", CannedAnswer::redirect("/b.php"));
        server.setAnswer("/b.php", CannedAnswer::redirect("/a.php", 301));
        QCOMPARE(FetchText(server.url(QStringLiteral("/a.php"))), QString());
        QVERIFY(server.requestCount() > 2);
    }

    void nothingCarriesOverBetweenRequests() {
        RecordingHttpServer server;
        CannedAnswer withCookie = CannedAnswer::text("first");
        withCookie.extraHeaders = {{"Set-Cookie", "sid=42; Path=/"}};
        server.setAnswer("/first.php", withCookie);
        server.setAnswer("/second.php", CannedAnswer::text("second"));
        PostForm(server.url(QStringLiteral("/first.php")), {}, DefaultReadTimeoutMs);
        PostForm(server.url(QStringLiteral("/second.php")), {}, DefaultReadTimeoutMs);
        FetchText(server.url(QStringLiteral("/second.php")));
        const auto requests = server.requests();
        QCOMPARE(requests.size(), 3);
        QVERIFY(!requests.at(1).hasHeader("Cookie"));
        QVERIFY(!requests.at(2).hasHeader("Cookie"));
    }

    void answerDecoding_data() {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("codePage");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        const QByteArray gbk("\xD6\xD0\xCE\xC4"); // 中文 in GBK
        const QByteArray utf8("\xE4\xB8\xAD\xE6\x96\x87");
        const QString chinese = QStringLiteral("中文");
        QTest::newRow("charset GBK in the Content-Type")
            << QByteArray("text/html; charset=GBK") << QStringLiteral("UTF-8") << gbk << chinese;
        QTest::newRow("quoted lower-case charset") << QByteArray("text/plain;charset=\"gbk\"")
                                                   << QStringLiteral("UTF-8") << gbk << chinese;
        QTest::newRow("no charset, code page GBK")
            << QByteArray("text/html") << QStringLiteral("GBK") << gbk << chinese;
        QTest::newRow("no charset, default UTF-8")
            << QByteArray("text/html") << QStringLiteral("UTF-8") << utf8 << chinese;
        QTest::newRow("Content-Type charset beats the code page")
            << QByteArray("text/html; charset=utf-8") << QStringLiteral("GBK") << utf8 << chinese;
        QTest::newRow("unknown charset falls back to the code page")
            << QByteArray("text/html; charset=x-no-such") << QStringLiteral("GBK") << gbk
            << chinese;
        QTest::newRow("unknown code page falls back to UTF-8")
            << QByteArray("text/html") << QStringLiteral("no-such-code-page") << utf8 << chinese;
    }
    void answerDecoding() {
        QFETCH(QByteArray, contentType);
        QFETCH(QString, codePage);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        endpoints().codePage = codePage;
        RecordingHttpServer server;
        CannedAnswer answer = CannedAnswer::text(body);
        answer.contentType = contentType;
        server.setDefaultAnswer(answer);
        QCOMPARE(FetchText(server.url(QStringLiteral("/g.php"))), expected);
        QCOMPARE(PostForm(server.url(QStringLiteral("/p.php")), {}, DefaultReadTimeoutMs),
                 expected);
    }
};

QTEST_GUILESS_MAIN(TestHttpExchange)
#include "tst_http_exchange.moc"
