#include "backend/answer_decoding.h"

#include "backend/endpoints.h"

#include <QList>
#include <QStringDecoder>

#include <optional>

namespace kvt {

namespace {

std::optional<QString> decodeWith(const QByteArray& charset, const QByteArray& body) {
    if (charset.isEmpty())
        return std::nullopt;
    QStringDecoder decoder(charset.constData());
    if (!decoder.isValid())
        return std::nullopt;
    return QString(decoder.decode(body));
}

} // namespace

QByteArray CharsetOfContentType(const QByteArray& contentType) {
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray parameter = parts.at(i).trimmed();
        const qsizetype equals = parameter.indexOf('=');
        if (equals < 0 || parameter.left(equals).trimmed().toLower() != "charset")
            continue;
        QByteArray value = parameter.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value.trimmed();
    }
    return {};
}

QString DecodeAnswer(const QByteArray& body, const QByteArray& contentType) {
    if (auto text = decodeWith(CharsetOfContentType(contentType), body))
        return *text;
    if (auto text = decodeWith(endpoints().codePage.toLatin1(), body))
        return *text;
    return QString::fromUtf8(body);
}

} // namespace kvt
