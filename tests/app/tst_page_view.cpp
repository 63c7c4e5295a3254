// The page view offscreen, fed by a real HTTP server on loopback: a page and its pictures are
// shown, a failed load leaves the pane empty, links go to the default browser.

#include "app/page_loader.h"
#include "app/ui/page_view.h"
#include "backend/ui/login_window.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QHostAddress>
#include <QImage>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include "loopback_httplib_server.h"

#include <memory>
#include <string>
#include <thread>

using namespace kvt;
using namespace kvt::ui;

namespace {

std::string pngOf(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

class PageServer : public kvt::test::LoopbackHttplibServer {
public:
    PageServer() {
        routes().Get("/kvtclient/right.htm", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<p>公告 notice</p><a href=\"more.htm\">more</a>", "text/html");
        });
        routes().Get("/kvtclient/gbk.htm", [](const httplib::Request&, httplib::Response& res) {
            QStringEncoder encoder("GBK");
            const QByteArray body = encoder.encode(QStringLiteral("<p>动态加速器</p>"));
            res.set_content(body.toStdString(), "text/html; charset=GBK");
        });
        routes().Get("/kvtclient/top.htm", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<p>banner<img src=\"pics/top.png\"></p>", "text/html");
        });
        routes().Get("/kvtclient/pics/top.png",
                     [](const httplib::Request&, httplib::Response& res) {
                         res.set_content(pngOf(40, 12), "image/png");
                     });
        start();
    }
};

// Receives what PageView hands to the default browser.
class BrowserRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

bool loadPage(PageView& view, const QUrl& url) {
    QSignalSpy loaded(&view, &PageView::pageLoaded);
    view.showUrl(url);
    if (loaded.isEmpty() && !loaded.wait(60000))
        return false;
    return loaded.first().first().toBool();
}

} // namespace

class TestPageView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(cache_.isValid());
        loader_ = std::make_unique<PageLoader>(cache_.path());
        server_ = std::make_unique<PageServer>();
    }

    void cleanupTestCase() {
        loader_->network()->clearConnectionCache();
        PageLoader::shared().network()->clearConnectionCache();
        server_.reset();
        loader_.reset();
    }

    void showsFetchedPage_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8 without charset")
            << "/kvtclient/right.htm" << QStringLiteral("公告 notice");
        QTest::newRow("GBK by Content-Type")
            << "/kvtclient/gbk.htm" << QStringLiteral("动态加速器");
    }

    void showsFetchedPage() {
        QFETCH(QString, path);
        QFETCH(QString, text);
        PageView view(nullptr, loader_.get());
        view.resize(211, 323);
        view.show();
        const QUrl url = server_->url(path.toLatin1().constData());
        QVERIFY(loadPage(view, url));
        QVERIFY2(view.toPlainText().contains(text), qPrintable(view.toPlainText()));
        QCOMPARE(view.pageUrl(), url);
        QVERIFY(!view.isLoading());
    }

    void failedLoadLeavesPaneEmpty_data() {
        QTest::addColumn<QUrl>("url");
        QTest::newRow("404") << server_->url("/kvtclient/none.htm");
        // A port that was just free: a server listened on it and closed it.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const int closedPort = probe.serverPort();
        probe.close();
        QTest::newRow("closed port")
            << QUrl(QStringLiteral("http://127.0.0.1:%1/kvtclient/right.htm").arg(closedPort));
        QTest::newRow("no address") << QUrl();
    }

    void failedLoadLeavesPaneEmpty() {
        QFETCH(QUrl, url);
        PageView view(nullptr, loader_.get());
        view.show();
        QVERIFY(loadPage(view, server_->url("/kvtclient/right.htm")));
        QVERIFY(!view.toPlainText().isEmpty());
        QVERIFY(!loadPage(view, url));
        QCOMPARE(view.toPlainText(), QString());
    }

    void showsPicturesOfThePage() {
        PageView view(nullptr, loader_.get());
        view.resize(352, 80);
        view.show();
        QVERIFY(loadPage(view, server_->url("/kvtclient/top.htm")));
        const QUrl picture = server_->url("/kvtclient/pics/top.png");
        QTRY_VERIFY_WITH_TIMEOUT(view.document()
                                         ->resource(QTextDocument::ImageResource, picture)
                                         .value<QImage>()
                                         .size() == QSize(40, 12),
                                 60000);
    }

    void linksOpenInTheDefaultBrowser() {
        BrowserRecorder browser;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
        PageView view(nullptr, loader_.get());
        view.show();
        QVERIFY(loadPage(view, server_->url("/kvtclient/right.htm")));
        const QString shown = view.toPlainText();
        QSignalSpy opened(&view, &PageView::linkOpened);

        emit view.anchorClicked(QUrl(QStringLiteral("more.htm")));
        emit view.anchorClicked(QUrl(QStringLiteral("javascript:alert(1)")));
        emit view.anchorClicked(QUrl(QStringLiteral("file:///etc/passwd")));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));

        const QUrl more = server_->url("/kvtclient/more.htm");
        QCOMPARE(browser.opened, QList<QUrl>{more});
        QCOMPARE(opened.count(), 1);
        // The pane itself stays on its page.
        QCOMPARE(view.toPlainText(), shown);
        QVERIFY(!view.isLoading());
        QCOMPARE(view.pageUrl(), server_->url("/kvtclient/right.htm"));
    }

    void loginBannerAtFirstShow() {
        Tfrmlogin login;
        login.setBannerUrl(server_->url("/kvtclient/right.htm"));
        login.setNoticeUrl(QUrl());
        QSignalSpy loaded(login.wb1(), &PageView::pageLoaded);
        login.show();
        QVERIFY(loaded.wait(60000));
        QVERIFY(loaded.first().first().toBool());
        QVERIFY(login.wb1()->toPlainText().contains(QStringLiteral("公告 notice")));
        // Showing the window again does not reload the banner.
        login.hide();
        login.show();
        QVERIFY(!login.wb1()->isLoading());
    }

    void laterAddressWins() {
        PageView view(nullptr, loader_.get());
        QSignalSpy loaded(&view, &PageView::pageLoaded);
        view.showUrl(server_->url("/kvtclient/right.htm"));
        view.showUrl(server_->url("/kvtclient/gbk.htm"));
        QVERIFY(loaded.wait(60000));
        QCOMPARE(loaded.count(), 1);
        QVERIFY(view.toPlainText().contains(QStringLiteral("动态加速器")));
    }

private:
    QTemporaryDir cache_;
    std::unique_ptr<PageLoader> loader_;
    std::unique_ptr<PageServer> server_;
};

QTEST_MAIN(TestPageView)
#include "tst_page_view.moc"
