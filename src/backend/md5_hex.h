#pragma once

#include <QString>

namespace kvt {

// MD5 of the text's UTF-8 bytes as 32 lower-case hexadecimal digits. Every digest the client
// sends or keeps is made here, so the backend can rebuild it from the same UTF-8 bytes.
QString Md5Hex(const QString& text);

} // namespace kvt
