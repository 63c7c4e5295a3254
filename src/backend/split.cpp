#include "backend/split.h"

namespace kvt {

namespace {
constexpr qsizetype kMaxPieces = 5;
}

QStringList Split(const QString& text, const QString& delimiter) {
    QStringList pieces;
    if (delimiter.isEmpty())
        return {text};
    qsizetype start = 0;
    for (;;) {
        const qsizetype found = text.indexOf(delimiter, start);
        if (found < 0)
            break;
        if (found > start && pieces.size() < kMaxPieces)
            pieces.append(text.mid(start, found - start));
        start = found + delimiter.size();
    }
    if (pieces.size() < kMaxPieces)
        pieces.append(text.mid(start));
    return pieces;
}

QString SplitPiece(const QStringList& pieces, int index) {
    return index >= 0 && index < pieces.size() ? pieces.at(index) : QString();
}

} // namespace kvt
