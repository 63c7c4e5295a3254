#pragma once

#include <QByteArray>
#include <QString>

namespace kvt {

// The charset parameter of a Content-Type header value ("text/html; charset=GBK" -> "GBK"),
// without quotes; empty when the header names none.
QByteArray CharsetOfContentType(const QByteArray& contentType);

// Turns the bytes of a backend answer into text: by the charset the reply's Content-Type
// names, when it names one this system can decode; else by the configured code page
// (endpoints().codePage, "UTF-8" unless configured, "GBK" for the service's older hosts);
// else UTF-8. The text is not trimmed.
QString DecodeAnswer(const QByteArray& body, const QByteArray& contentType);

} // namespace kvt
