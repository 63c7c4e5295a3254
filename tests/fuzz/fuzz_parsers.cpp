// Every decoder and parser that reads backend text, on arbitrary input taken both as Latin-1
// (each byte one code unit, as the decoders see it) and as UTF-8 (as a decoded answer body).
#include "app/text_decoding.h"
#include "backend/split.h"
#include "lines/line_catalogue.h"
#include "lines/line_record.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

bool allBytes(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

void feed(const QString& text) {
    const QString decoded = kvt::Base64ToText(text);
    check(allBytes(decoded));
    check(decoded.size() <= text.size());
    check(allBytes(kvt::UnscrambleShort(text)));
    check(allBytes(kvt::UnscrambleLong(text)));
    check(allBytes(kvt::Base64ToText(decoded)));
    for (int n = -1; n <= 8; ++n)
        check(kvt::BlockSwap(text, n).size() == text.size());
    check(!kvt::StripSpaces(text).contains(u' '));

    for (const QString& delimiter : {QStringLiteral(","), QStringLiteral("|")}) {
        const QStringList pieces = kvt::Split(text, delimiter);
        check(!pieces.isEmpty() && pieces.size() <= 5);
        kvt::SplitPiece(pieces, 7);
    }

    const kvt::LineCatalogue catalogue = kvt::LineCatalogue::fromText(text);
    const QStringList areas = catalogue.areas();
    check(catalogue.isEmpty() == areas.isEmpty());
    for (const QString& area : areas) {
        const QStringList names = catalogue.lineNames(area);
        for (const QString& name : names)
            catalogue.value(area.toUpper(), name);
        const QList<kvt::ps> rows = kvt::MakeAreaRows(catalogue, area);
        check(rows.size() <= names.size());
        for (const kvt::ps& row : rows)
            check(row.delay == QStringLiteral("NA") && allBytes(row.ip));
    }
    catalogue.value(text, text);
    check(catalogue.lineNames(QStringLiteral("\x01missing")).isEmpty() ||
          areas.contains(QStringLiteral("\x01missing"), Qt::CaseInsensitive));
    kvt::MakeLineRecord(text, text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    feed(QString::fromLatin1(bytes, qsizetype(size)));
    feed(QString::fromUtf8(bytes, qsizetype(size)));
    return 0;
}
