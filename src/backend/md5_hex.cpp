#include "backend/md5_hex.h"

#include <QCryptographicHash>

namespace kvt {

QString Md5Hex(const QString& text) {
    const QByteArray digest = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5);
    // toHex writes lower-case digits already; the explicit toLower keeps that a promise.
    return QString::fromLatin1(digest.toHex()).toLower();
}

} // namespace kvt
