// Times how long the login window, the notice board, the update prompt and the main window
// take to build (they are built while the user waits for the first window). With --show the
// windows stay on screen with sample areas and texts, their panes showing sample pages from a
// small HTTP server on loopback, for a look at the layout (for example under Xvfb, with a
// screenshot).
//
//   bench_windows [--rounds N] [--show [main|login|prompt]]

#include "app/ui/main_window.h"
#include "app/ui/page_view.h"
#include "backend/ui/login_window.h"
#include "backend/ui/notice_board.h"
#include "backend/ui/update_prompt.h"
#include "lines/ui/area_bar.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QStringList>
#include <QTextStream>
#include <QUrl>

#include <httplib.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using namespace kvt::ui;

namespace {

template <typename Make>
void timeIt(const char* what, int rounds, Make make) {
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        make();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    QTextStream(stdout) << what << ": median " << ms[ms.size() / 2] << " ms, max " << ms.back()
                        << " ms over " << rounds << " rounds\n";
}

// A banner picture: a colour band with a caption.
std::string bannerPng(int width, int height, const QString& caption) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient band(0, 0, width, 0);
    band.setColorAt(0, QColor(30, 90, 160));
    band.setColorAt(1, QColor(90, 170, 230));
    painter.fillRect(image.rect(), band);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(height / 3);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, caption);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

void servePage(httplib::Server& server, const char* path, const QString& html) {
    const std::string body = html.toStdString();
    server.Get(path, [body](const httplib::Request&, httplib::Response& res) {
        res.set_content(body, "text/html; charset=utf-8");
    });
}

void servePicture(httplib::Server& server, const char* path, const std::string& png) {
    server.Get(path, [png](const httplib::Request&, httplib::Response& res) {
        res.set_content(png, "image/png");
    });
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    int rounds = 20;
    const qsizetype roundsAt = args.indexOf(QStringLiteral("--rounds"));
    if (roundsAt >= 0 && roundsAt + 1 < args.size())
        rounds = std::max(1, args.at(roundsAt + 1).toInt());

    timeIt("Tfrmlogin", rounds, [] { Tfrmlogin login; });
    timeIt("TForm5", rounds, [] { TForm5 board; });
    timeIt("TForm6", rounds, [] { TForm6 prompt; });
    timeIt("Tfrmmain", rounds, [] { Tfrmmain main; });

    const qsizetype showAt = args.indexOf(QStringLiteral("--show"));
    if (showAt < 0)
        return 0;
    const QString only = showAt + 1 < args.size() ? args.at(showAt + 1) : QString();
    const auto wanted = [&only](const char* name) {
        return only.isEmpty() || only == QLatin1String(name);
    };

    httplib::Server pages;
    servePage(pages, "/kvtclient/top.htm",
              QStringLiteral("<body style=\"margin:0\"><img src=\"top.png\"></body>"));
    servePage(pages, "/kvtclient/maintop.htm",
              QStringLiteral("<body style=\"margin:0\"><img src=\"maintop.png\"></body>"));
    servePage(pages, "/kvtclient/right.htm",
              QStringLiteral("<h4>公告</h4><p>线路维护通知：电信-上海02 今晚 23:00 维护。</p>"
                             "<p><a href=\"http://example.com/\">更多</a></p>"));
    servePage(pages, "/kvtclient/news.htm",
              QStringLiteral("<h4>新闻</h4><ul><li>新增香港线路</li><li>客户端 v8.0.2 发布</li>"
                             "</ul>"));
    servePicture(pages, "/kvtclient/top.png", bannerPng(352, 80, QStringLiteral("Varnok")));
    servePicture(pages, "/kvtclient/maintop.png",
                 bannerPng(790, 75, QStringLiteral("Varnok动态加速器")));
    const int port = pages.bind_to_any_port("127.0.0.1");
    std::thread serving([&pages] { pages.listen_after_bind(); });
    const auto page = [port](const char* name) {
        return QUrl(
            QStringLiteral("http://127.0.0.1:%1/kvtclient/%2").arg(port).arg(QLatin1String(name)));
    };

    Tfrmmain main;
    main.sb()->setAreas({QStringLiteral("电信线路"), QStringLiteral("网通线路"),
                         QStringLiteral("移动线路"), QStringLiteral("香港"), QStringLiteral("美国"),
                         QStringLiteral("日本")});
    main.sb()->setCaptionStyle(0, AreaBar::CaptionStyle::Bold);
    main.sb()->setCaptionStyle(1, AreaBar::CaptionStyle::Selected);
    main.IPAddrTxt()->addItems({QStringLiteral("电信-上海01"), QStringLiteral("电信-上海02")});
    main.linelabel()->setText(QStringLiteral("当前节点：电信-上海01"));
    main.localiplabel()->setText(QStringLiteral("本地IP为：127.0.0.1"));
    main.userlabel()->setText(QStringLiteral("用户名：demo  到期时间 2030-01-01"));
    main.datalabel()->setText(QStringLiteral("已加速:1KB/2KB  在线时间:01:02:05"));
    main.web1()->showUrl(page("maintop.htm"));
    main.web2()->showUrl(page("news.htm"));
    if (wanted("main"))
        main.show();

    Tfrmlogin login;
    login.setBannerUrl(page("top.htm"));
    login.setNoticeUrl(page("right.htm"));
    login.Label3()->setText(QStringLiteral("欢迎使用Varnok动态加速器 v8.0.2"));
    if (wanted("login"))
        login.show();

    TForm6 prompt;
    if (wanted("prompt")) {
        prompt.show();
        prompt.move(20, 20);
    }
    const int status = app.exec();
    while (!pages.is_running())
        std::this_thread::yield();
    pages.stop();
    serving.join();
    return status;
}
