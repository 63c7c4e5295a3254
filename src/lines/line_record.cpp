#include "lines/line_record.h"

#include "app/text_decoding.h"
#include "backend/split.h"
#include "lines/line_catalogue.h"

#include <QStringList>

namespace kvt {

ps MakeLineRecord(const QString& name, const QString& value) {
    const QStringList fields = Split(value, QStringLiteral(","));
    ps record;
    record.ip = UnscrambleShort(SplitPiece(fields, 0));
    record.name = name;
    record.delay = QStringLiteral("NA");
    record.losttimes = 0;
    record.onlinerate = SplitPiece(fields, 1);
    record.marknum = SplitPiece(fields, 3);
    return record;
}

QList<ps> MakeAreaRows(const LineCatalogue& catalogue, const QString& area) {
    QList<ps> rows;
    const QStringList names = catalogue.lineNames(area);
    rows.reserve(names.size());
    for (const QString& name : names) {
        const QString value = catalogue.value(area, name);
        if (!value.isEmpty())
            rows.append(MakeLineRecord(name, value));
    }
    return rows;
}

} // namespace kvt
