#include "vpn/dial_names.h"

#include <QRandomGenerator>

namespace kvt {

QString DialEntryNameAt(const QDateTime& time) {
    const QDate d = time.date();
    const QTime t = time.time();
    return QStringLiteral("%1%2%3%4%5%6")
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(t.hour())
        .arg(t.minute())
        .arg(t.second())
        .arg(t.msec(), 2, 10, QLatin1Char('0'));
}

QString DialUniqueIdAt(const QDateTime& time, const QString& randomDigits) {
    return QStringLiteral("%1").arg(time.date().year(), 4, 10, QLatin1Char('0')) +
           DialEntryNameAt(time) + randomDigits;
}

QString RandomDigits(int count) {
    QString digits;
    digits.reserve(count);
    for (int i = 0; i < count; ++i)
        digits += QChar(u'0' + QRandomGenerator::global()->bounded(10));
    return digits;
}

} // namespace kvt
