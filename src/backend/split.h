#pragma once

#include <QStringList>

namespace kvt {

// Cuts a backend text at a delimiter the way every answer and server-list value is taken
// apart: empty pieces before a delimiter are dropped, the last piece is always kept (even when
// empty), and only the first five pieces are returned. A text without the delimiter is its own
// single piece.
QStringList Split(const QString& text, const QString& delimiter);

// Piece `index` (0-based) of a Split result; a piece that does not exist reads as empty text.
QString SplitPiece(const QStringList& pieces, int index);

} // namespace kvt
