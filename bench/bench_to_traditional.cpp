// Cost of the traditional-Chinese texts: loading OpenCC's character table on first use, and
// converting the texts a language switch sets on the login window and the main window.
#include "app/login_texts.h"
#include "app/main_window_texts.h"
#include "app/to_traditional.h"

#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>

int main() {
    using namespace kvt;

    // The simplified literals of both windows and of the login messages: the set that one
    // switch to language 3 converts.
    QStringList texts;
    for (const NamedText& entry : Entries(LoginTexts(1)))
        texts.append(entry.text);
    for (const NamedText& entry : Entries(MainTexts(1)))
        texts.append(entry.text);
    for (const NamedText& entry : Entries(LoginMessageTexts(1)))
        texts.append(entry.text);

    QElapsedTimer timer;
    timer.start();
    const QString first = ToTraditional(texts.first());
    const qint64 loadNs = timer.nsecsElapsed();
    std::printf("table %s, first call (loads the table): %.3f ms\n",
                TraditionalTableLoaded() ? "loaded" : "MISSING", loadNs / 1e6);

    constexpr int kRounds = 1000;
    qsizetype checksum = first.size();
    timer.restart();
    for (int round = 0; round < kRounds; ++round)
        for (const QString& text : texts)
            checksum += ToTraditional(text).size();
    const qint64 convertNs = timer.nsecsElapsed();
    std::printf("%d rounds of %lld texts: %.3f ms in all, %.2f us per round\n", kRounds,
                static_cast<long long>(texts.size()), convertNs / 1e6, convertNs / 1e3 / kRounds);

    timer.restart();
    for (int round = 0; round < kRounds; ++round)
        checksum += Entries(LoginTexts(3)).size() + Entries(MainTexts(3)).size();
    const qint64 tablesNs = timer.nsecsElapsed();
    std::printf("%d builds of both window tables in language 3: %.2f us per build\n", kRounds,
                tablesNs / 1e3 / kRounds);

    std::printf("(checksum %lld)\n", static_cast<long long>(checksum));
    return 0;
}
