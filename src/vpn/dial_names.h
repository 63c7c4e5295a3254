#pragma once

#include <QDateTime>
#include <QString>

namespace kvt {

// Name of a dial's phonebook entry: month and day with two digits, hour, minute and second
// without leading zero, milliseconds with at least two digits ("mmddhnszz"). 5 January
// 09:07:03.456 gives "0105973456".
QString DialEntryNameAt(const QDateTime& time);

// Identifier of a dial: the four-digit year before the entry name's fields
// ("yyyymmddhnszz"), followed by `randomDigits`.
QString DialUniqueIdAt(const QDateTime& time, const QString& randomDigits);

// `count` decimal digits, each drawn uniformly from 0 to 9.
QString RandomDigits(int count);

} // namespace kvt
