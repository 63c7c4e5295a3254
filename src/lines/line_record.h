#pragma once

#include <QList>
#include <QString>

namespace kvt {

class LineCatalogue;

// One row of the line list.
struct ps {
    QString ip;           // server address decoded from field 1 of the value
    QString name;         // line name (the entry name)
    QString delay;        // "NA" until measured; then milliseconds or a speed-test failure text
    QString lostpacket;   // reserved, stays empty
    QString sendtimes;    // reserved, stays empty
    qint32 losttimes = 0; // failed measurements of this row
    QString onlinerate;   // field 2, shown unchanged
    QString l2tpstatus;   // reserved, stays empty
    QString marknum;      // field 4: the line's scheme mark
};

// The record of one line from its name and its (non-empty) value "address,rate,_,mark,_".
// Fields are the pieces of `Split` at ",": an empty piece before a comma does not keep its
// place, so later fields move up.
ps MakeLineRecord(const QString& name, const QString& value);

// The rows of one area in document order. Each line name's value is read by name, so a
// duplicated name reads the first entry's value; names with an empty value get no row.
QList<ps> MakeAreaRows(const LineCatalogue& catalogue, const QString& area);

} // namespace kvt
