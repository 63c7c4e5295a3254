// Times how long the login window, the notice board, the update prompt and the main window
// take to build (they are built while the user waits for the first window). With --show the
// windows stay on screen with sample areas and texts, for a look at the layout (for example
// under Xvfb, with a screenshot).
//
//   bench_windows [--rounds N] [--show [main|login|prompt]]

#include "app/ui/main_window.h"
#include "app/ui/page_view.h"
#include "backend/ui/login_window.h"
#include "backend/ui/notice_board.h"
#include "backend/ui/update_prompt.h"
#include "lines/ui/area_bar.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QStringList>
#include <QTextStream>
#include <QUrl>

#include <algorithm>
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
    main.web2()->setHtml(QStringLiteral("<h3>公告</h3><p>news pane</p>"));
    main.web1()->setHtml(QStringLiteral("<h2>top banner web1</h2>"));
    if (wanted("main"))
        main.show();

    Tfrmlogin login;
    login.setNoticeUrl(QUrl());
    login.wb1()->setHtml(QStringLiteral("<h2>banner wb1</h2>"));
    login.Label3()->setText(QStringLiteral("欢迎使用Varnok动态加速器 v8.0.2"));
    if (wanted("login"))
        login.show();

    TForm6 prompt;
    if (wanted("prompt")) {
        prompt.show();
        prompt.move(20, 20);
    }
    return app.exec();
}
