// Parses a server list of 10,000 lines and looks up every line by area and line name, with
// LineCatalogue and with QSettings(IniFormat) reading the same document from a file. Prints
// the median of several runs of each and the ratio.
#include "lines/line_catalogue.h"

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
#include <utility>

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

    QList<double> parseOnly, fromText, fromFile, settings;
    qsizetype found = 0, expected = 0;
    for (int run = 0; run < kRuns; ++run) {
        // A new file each run: QSettings keeps parsed files in a process-wide cache by path.
        const QString path = dir.filePath(QStringLiteral("list%1.ini").arg(run));
        {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(utf8) != utf8.size())
                return 1;
        }

        QElapsedTimer timer;
        timer.start();
        {
            const LineCatalogue catalogue = LineCatalogue::fromText(document.text);
            parseOnly.append(timer.nsecsElapsed() / 1e6);
            for (const auto& [area, line] : document.lines)
                found += !catalogue.value(area, line).isEmpty();
        }
        fromText.append(timer.nsecsElapsed() / 1e6);

        timer.restart();
        {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                return 1;
            QStringDecoder decoder(QStringDecoder::Utf8);
            const QString text = decoder(file.readAll());
            const LineCatalogue catalogue = LineCatalogue::fromText(text);
            for (const auto& [area, line] : document.lines)
                found += !catalogue.value(area, line).isEmpty();
        }
        fromFile.append(timer.nsecsElapsed() / 1e6);

        timer.restart();
        {
            QSettings ini(path, QSettings::IniFormat);
            for (const auto& [area, line] : document.lines) {
                ini.beginGroup(area);
                found += ini.value(line).isValid();
                ini.endGroup();
            }
        }
        settings.append(timer.nsecsElapsed() / 1e6);
        expected += 3 * document.lines.size();
    }
    if (found != expected) {
        std::fprintf(stderr, "lookups failed: %lld of %lld found\n", qlonglong(found),
                     qlonglong(expected));
        return 1;
    }

    const double text = median(fromText), file = median(fromFile), ini = median(settings);
    std::printf("%d lines in %d areas, parse + look up every line; median of %d runs\n\n", kLines,
                kAreas, kRuns);
    std::printf("%-44s %10s %12s\n", "reader", "ms", "QSettings/x");
    std::printf("%-44s %10.2f %12.1f\n", "LineCatalogue::fromText (text in memory)", text,
                ini / text);
    std::printf("%-44s %10.2f\n", "  of which parsing", median(parseOnly));
    std::printf("%-44s %10.2f %12.1f\n", "LineCatalogue (read file, UTF-8, parse)", file,
                ini / file);
    std::printf("%-44s %10.2f %12.1f\n", "QSettings(IniFormat) from file", ini, 1.0);
    return 0;
}
