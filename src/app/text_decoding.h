#pragma once

#include <QString>

namespace kvt {

// Decoders for the scrambled values the backend sends: line addresses in the server list and
// the dial credentials of the pre-dial answer. A decoded byte becomes one UTF-16 code unit of
// the same value (0-255); it is never read as UTF-8 or as a code page. None of them fails: a
// character outside the Base64 alphabet counts as position -1 and yields a meaningless byte.

// Standard Base64 without padding. One or two trailing "=" are ignored, a final group of two
// or three characters gives one or two bytes, a single left-over character gives nothing.
QString Base64ToText(const QString& text);

// Characters n+1..2n, then 1..n, then the rest from 2n+1, each piece as long as `text` allows:
// a text of n characters or fewer comes back unchanged.
QString BlockSwap(const QString& text, int n);

// Server address of a catalogue line: three block-swap-and-decode passes with n = 5, 7, 4.
QString UnscrambleShort(const QString& text);

// Dial password of the pre-dial answer: four plain decodes, passes with n = 6 and 5, the first
// eight characters dropped, then passes with n = 6 and 3.
QString UnscrambleLong(const QString& text);

// The text without any U+0020; other white space stays.
QString StripSpaces(const QString& text);

} // namespace kvt
