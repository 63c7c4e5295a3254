// An area of 10,000 lines in the line list: time to fill the list (rows made from the server
// list, then the model filled and sorted), to sort it by each column in both directions, and
// to repaint the view after a sort; next to the same rows sorted by Qt's default
// QSortFilterProxyModel string comparison. Median of several runs, in milliseconds.
#include "app/main_window_engine.h"
#include "lines/line_catalogue.h"
#include "lines/line_list_model.h"
#include "lines/line_record.h"
#include "lines/ui/line_list_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSortFilterProxyModel>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

using namespace kvt;

namespace {

constexpr int kLines = 10000;
constexpr int kRuns = 9;

QString serverList() {
    QRandomGenerator rng(20261211);
    QString text = QStringLiteral("[大区]\r\n");
    for (int i = 0; i < kLines; ++i) {
        const int rate = int(rng.bounded(100));
        text += QStringLiteral("线路%1-%2=QTBkMGFXOWpNVEF1TVRJeExqSXhNUzR4TVRFPQ,%3%,0,1,0\r\n")
                    .arg(i)
                    .arg(QChar(u'A' + int(rng.bounded(26))))
                    .arg(rate);
    }
    return text;
}

// Delays as the speed test leaves them: most measured, some not yet, some failed.
void measure(LineListModel& model) {
    QRandomGenerator rng(7);
    for (int row = 0; row < model.rowCount(); ++row) {
        const quint32 roll = rng.bounded(20);
        model.setDelay(row, roll == 0   ? QStringLiteral("Unknown")
                            : roll == 1 ? QStringLiteral("NA")
                                        : QString::number(rng.bounded(600)));
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timeMs(const std::function<void()>& step) {
    QElapsedTimer timer;
    timer.start();
    step();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QTextStream out(stdout);
    ReplaceLineCatalogue(serverList());

    MainWindowEngine engine;
    LineListModel& model = engine.lineList();
    ui::LineListView view;
    view.resize(380, 286);
    view.setLineModel(&model);
    view.show();

    std::vector<double> fill;
    for (int run = 0; run < kRuns; ++run) {
        engine.AreaTxt2 = CurrentLineCatalogue().areas();
        engine.AreaTxt2Index = 0;
        fill.push_back(timeMs([&] { engine.AreaTxt2Change(); }));
    }
    measure(model);

    out << "line list, " << model.rowCount() << " rows (median of " << kRuns << " runs, ms)\n";
    out << QStringLiteral("%1 %2\n")
               .arg(QStringLiteral("fill (area change)"), -36)
               .arg(median(fill), 8, 'f', 2);

    // The proxy sorts the same rows through Qt's default comparison of the display texts.
    LineListModel proxySource;
    QList<ps> rows;
    for (int r = 0; r < model.rowCount(); ++r)
        rows << model.record(r);
    proxySource.fill(rows);
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&proxySource);

    const char* names[] = {"name", "delay", "online rate"};
    for (int column = 0; column < 3; ++column) {
        // Each header click flips the direction: time every click under the direction it gave.
        std::vector<double> ours[2], repaint[2], qt[2];
        for (int click = 0; click < 2 * kRuns; ++click) {
            const double clickMs = timeMs([&] { model.headerClick(column); });
            const int direction = model.sortDirection() == Qt::AscendingOrder ? 0 : 1;
            ours[direction].push_back(clickMs);
            repaint[direction].push_back(timeMs([&] { (void)view.viewport()->grab(); }));
            proxy.sort(-1);
            qt[direction].push_back(timeMs([&] { proxy.sort(column, model.sortDirection()); }));
        }
        for (int direction = 0; direction < 2; ++direction) {
            const QString label = QStringLiteral("sort by %1 %2")
                                      .arg(QString::fromLatin1(names[column]),
                                           direction == 0 ? QStringLiteral("ascending")
                                                          : QStringLiteral("descending"));
            out << QStringLiteral("%1 %2   repaint %3   QSortFilterProxyModel %4\n")
                       .arg(label, -36)
                       .arg(median(ours[direction]), 8, 'f', 2)
                       .arg(median(repaint[direction]), 6, 'f', 2)
                       .arg(median(qt[direction]), 8, 'f', 2);
        }
    }
    return 0;
}
