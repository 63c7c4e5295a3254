#pragma once

#include "app/linux/registry_hive.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace kvt {

// The text form of one root, as the registry editor exports it (REGEDIT4), in UTF-8:
//
//   REGEDIT4
//
//   [Software\vidizirevoror]
//   "savepassword"=dword:00000001
//   "username"="text"
//
// Sections name key paths relative to the root; "@" names the default value. Inside quotes a
// backslash and a quote are escaped with a backslash; characters the line form cannot hold
// (line breaks, tab and the other control characters) are written as \n, \r, \t and \xHH.
// A DWORD has exactly eight hexadecimal digits. Blank lines and lines starting with ";" are
// ignored; a UTF-8 byte order mark and CRLF line ends are accepted.

// Largest text the store reads or writes; anything bigger is not one of ours.
constexpr qsizetype kMaxRegeditTextSize = 1024 * 1024;

// The hive the text describes, or nothing when the text is not entirely in that form: a
// missing header, a line that is neither a section, a value, a comment nor blank, a value
// before the first section, an unknown value type or escape, a string without its closing
// quote, a DWORD without all eight digits (a cut-off file), bytes that are not UTF-8, or a
// control character outside quotes. Never throws; linear in the input.
std::optional<RegistryHive> parseRegeditText(QByteArrayView bytes);

QByteArray regeditText(const RegistryHive& hive);

} // namespace kvt
