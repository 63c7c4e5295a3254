// The page loader against a real HTTP server on loopback: decoding of page bodies, failures,
// the shared cookie jar and disk cache and their clean-up.

#include "app/page_loader.h"

#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkDiskCache>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include "loopback_httplib_server.h"

#include <memory>
#include <thread>

using namespace kvt;

namespace {

// A cpp-httplib server on a free loopback port, answering on its own thread.
class PageServer : public kvt::test::LoopbackHttplibServer {
public:
    PageServer() {
        routes().Get("/kvtclient/news.htm", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<p>新闻 news</p>", "text/html");
        });
        routes().Get("/set", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "visitor=abc; Path=/");
            res.set_content("set", "text/plain");
        });
        routes().Get("/echo", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content("cookie=" + req.get_header_value("Cookie"), "text/plain");
        });
        routes().Get("/cached", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Cache-Control", "max-age=600");
            res.set_content("<p>cached</p>", "text/html; charset=utf-8");
        });
        start();
    }
};

// Runs one fetch to its end; the fetch is gone afterwards, so its results are copied.
struct Fetched {
    bool finished = false;
    bool succeeded = false;
    QString text;
};

Fetched fetchNow(PageLoader& loader, const QUrl& url) {
    Fetched result;
    PageFetch* fetch = loader.fetch(url);
    QObject::connect(fetch, &PageFetch::finished, fetch, [&result, fetch] {
        result.finished = true;
        result.succeeded = fetch->succeeded();
        result.text = fetch->text();
    });
    // Generous for a loaded machine; the fetch has its own 30 s transfer timeout.
    QSignalSpy finished(fetch, &PageFetch::finished);
    finished.wait(60000);
    return result;
}

QByteArray gbk(const QString& text) {
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

} // namespace

class TestPageLoader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void decodePage_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("text");
        const QString chinese = QStringLiteral("公告栏");
        QTest::newRow("no charset: UTF-8")
            << chinese.toUtf8() << QByteArray("text/html") << chinese;
        QTest::newRow("no content type: UTF-8") << chinese.toUtf8() << QByteArray() << chinese;
        QTest::newRow("header GBK")
            << gbk(chinese) << QByteArray("text/html; charset=GBK") << chinese;
        QTest::newRow("quoted, spaced, capitalised")
            << gbk(chinese) << QByteArray("text/html;Charset = \"gbk\"") << chinese;
        QTest::newRow("header beats meta")
            << QByteArray("<meta charset=\"gbk\">") + chinese.toUtf8()
            << QByteArray("text/html; charset=utf-8")
            << QStringLiteral("<meta charset=\"gbk\">") + chinese;
        QTest::newRow("meta names GBK")
            << QByteArray("<html><head><meta http-equiv=\"Content-Type\" "
                          "content=\"text/html; charset=gb2312\"></head>") +
                   gbk(chinese)
            << QByteArray("text/html")
            << QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" "
                              "content=\"text/html; charset=gb2312\"></head>") +
                   chinese;
        QTest::newRow("unknown charset: UTF-8")
            << chinese.toUtf8() << QByteArray("text/html; charset=x-no-such") << chinese;
    }

    void decodePage() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(QString, text);
        QCOMPARE(PageLoader::decodePage(body, contentType), text);
    }

    void fetchesAndFails() {
        QTemporaryDir cache;
        PageLoader loader(cache.path());
        auto server = std::make_unique<PageServer>();

        Fetched page = fetchNow(loader, server->url("/kvtclient/news.htm"));
        QVERIFY(page.finished);
        QVERIFY(page.succeeded);
        QCOMPARE(page.text, QStringLiteral("<p>新闻 news</p>"));

        Fetched missing = fetchNow(loader, server->url("/kvtclient/none.htm"));
        QVERIFY(missing.finished);
        QVERIFY(!missing.succeeded);
        QVERIFY(missing.text.isEmpty());

        const QUrl closed = server->url("/kvtclient/news.htm");
        loader.network()->clearConnectionCache();
        server->stop();
        Fetched refused = fetchNow(loader, closed);
        QVERIFY(refused.finished);
        QVERIFY(!refused.succeeded);
    }

    void abortedFetchStaysSilent() {
        QTemporaryDir cache;
        PageLoader loader(cache.path());
        PageServer server;
        PageFetch* fetch = loader.fetch(server.url("/kvtclient/news.htm"));
        QSignalSpy finished(fetch, &PageFetch::finished);
        QPointer<PageFetch> alive(fetch);
        fetch->abort();
        QTRY_VERIFY(!alive); // deleted
        QCOMPARE(finished.count(), 0);
        loader.network()->clearConnectionCache();
    }

    void cookiesAreSharedAndCleared() {
        QTemporaryDir cache;
        PageLoader loader(cache.path());
        PageServer server;
        QVERIFY(fetchNow(loader, server.url("/set")).succeeded);
        QCOMPARE(fetchNow(loader, server.url("/echo")).text, QStringLiteral("cookie=visitor=abc"));
        loader.clearPageCookies();
        QCOMPARE(fetchNow(loader, server.url("/echo")).text, QStringLiteral("cookie="));
        loader.network()->clearConnectionCache();
    }

    void cacheIsKeptAndCleared() {
        QTemporaryDir cache;
        PageLoader loader(cache.path());
        QCOMPARE(loader.cacheDirectory(), cache.path() + QLatin1Char('/'));
        PageServer server;
        const QUrl url = server.url("/cached");
        QVERIFY(fetchNow(loader, url).succeeded);
        QVERIFY(loader.cache()->metaData(url).isValid());
        QVERIFY(loader.cache()->cacheSize() > 0);
        loader.clearPageCache();
        QVERIFY(!loader.cache()->metaData(url).isValid());
        QCOMPARE(loader.cache()->cacheSize(), 0);
        loader.network()->clearConnectionCache();
    }

    void sharedLoaderUsesTheCacheLocation() {
        PageLoader& shared = PageLoader::shared();
        QCOMPARE(&shared, &PageLoader::shared());
        QVERIFY(shared.cacheDirectory().startsWith(
            QStandardPaths::writableLocation(QStandardPaths::CacheLocation)));
        QCOMPARE(ServicePageUrl(QStringLiteral("127.0.0.1:8006"), QStringLiteral("right.htm")),
                 QUrl(QStringLiteral("http://127.0.0.1:8006/kvtclient/right.htm")));
    }
};

QTEST_GUILESS_MAIN(TestPageLoader)
#include "tst_page_loader.moc"
