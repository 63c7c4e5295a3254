// Parses a server list of 10,000 lines and looks up every line by area and line name, with
// LineCatalogue and with QSettings(IniFormat) reading the same document from a file. Prints
// the median of several runs of each and the ratio.
#include "lines/line_catalogue.h"
#include "lines/line_record.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QSettings>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace kvt;

namespace {

constexpr int kLines = 10000;
constexpr int kAreas = 40;
constexpr int kRuns = 21;

struct Document {
    QString text;
    QList<std::pair<QString, QString>> lines; // area, line name
};

// Areas of 250 lines each, with values shaped like the backend's: scrambled address, online
// rate, unused, scheme mark, unused.
Document makeDocument() {
    Document document;
    document.text.reserve(kLines * 64);
    for (int a = 0; a < kAreas; ++a) {
        const QString area = QStringLiteral("Area%1").arg(a);
        document.text += QStringLiteral("[%1]\r\n").arg(area);
        for (int i = a; i < kLines; i += kAreas) {
            const QString line = QStringLiteral("Line%1-%2").arg(a).arg(i);
            document.text += QStringLiteral("%1=k1ha1VVFYVRVTTBk%2,%3%,0,%4,0\r\n")
                                 .arg(line)
                                 .arg(i, 6, 10, QLatin1Char('0'))
                                 .arg(i % 100)
                                 .arg(i % 3 + 1);
            document.lines.append({area, line});
        }
    }
    return document;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temp dir\n");
        return 1;
    }
    const Document document = makeDocument();
    const QByteArray utf8 = document.text.toUtf8();
    qsizetype found = 0;
    QString path;

    // Each reader parses the document and looks up every line; the lookup count is checked.
    QList<double> parseOnly;
    const auto inMemory = [&] {
        QElapsedTimer timer;
        timer.start();
        const LineCatalogue catalogue = LineCatalogue::fromText(document.text);
        parseOnly.append(timer.nsecsElapsed() / 1e6);
        for (const auto& [area, line] : document.lines)
            found += !catalogue.value(area, line).isEmpty();
    };
    const auto fromFile = [&] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return;
        QStringDecoder decoder(QStringDecoder::Utf8);
        const LineCatalogue catalogue = LineCatalogue::fromText(decoder(file.readAll()));
        for (const auto& [area, line] : document.lines)
            found += !catalogue.value(area, line).isEmpty();
    };
    const auto settings = [&] {
        QSettings ini(path, QSettings::IniFormat);
        for (const auto& [area, line] : document.lines) {
            ini.beginGroup(area);
            found += ini.value(line).isValid();
            ini.endGroup();
        }
    };
    const std::function<void()> readers[] = {inMemory, fromFile, settings};
    QList<double> times[3];

    QList<double> rows;
    for (int run = 0; run < kRuns; ++run) {
        // A new file each run: QSettings keeps parsed files in a process-wide cache by path.
        path = dir.filePath(QStringLiteral("list%1.ini").arg(run));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(utf8) != utf8.size())
            return 1;
        file.close();

        // The readers take turns at going first, so none always meets the allocator in the
        // state the previous one left.
        for (int k = 0; k < 3; ++k) {
            const int reader = (run + k) % 3;
            QElapsedTimer timer;
            timer.start();
            readers[reader]();
            times[reader].append(timer.nsecsElapsed() / 1e6);
        }

        const LineCatalogue catalogue = LineCatalogue::fromText(document.text);
        const QStringList areas = catalogue.areas();
        QElapsedTimer timer;
        timer.start();
        qsizetype made = 0;
        for (const QString& area : areas)
            made += MakeAreaRows(catalogue, area).size();
        rows.append(timer.nsecsElapsed() / 1e6);
        if (made != document.lines.size())
            return 1;
    }
    if (found != 3 * kRuns * document.lines.size()) {
        std::fprintf(stderr, "lookups failed\n");
        return 1;
    }

    const double text = median(times[0]), file = median(times[1]), ini = median(times[2]);
    std::printf("%d lines in %d areas, parse + look up every line; median of %d runs\n\n", kLines,
                kAreas, kRuns);
    std::printf("%-44s %10s %12s\n", "reader", "ms", "QSettings/x");
    std::printf("%-44s %10.2f %12.1f\n", "LineCatalogue::fromText (text in memory)", text,
                ini / text);
    std::printf("%-44s %10.2f\n", "  of which parsing", median(parseOnly));
    std::printf("%-44s %10.2f %12.1f\n", "LineCatalogue (read file, UTF-8, parse)", file,
                ini / file);
    std::printf("%-44s %10.2f %12.1f\n", "QSettings(IniFormat) from file", ini, 1.0);
    std::printf("\n%-44s %10.2f\n", "MakeAreaRows of every area (decodes all)", median(rows));
    return 0;
}
