#pragma once

#include <QByteArray>
#include <QString>

namespace kvt {

// Files that hold dial credentials: created readable and writable by their owner only
// (0600) from the first byte, written whole to a temporary name, synced and renamed over the
// target, so no other user ever sees them and no reader sees half a file.
bool WritePrivateFile(const QString& path, const QByteArray& contents, QString* error = nullptr);

// Creates the folder (and its parents) and makes the folder itself 0700.
bool MakePrivateDir(const QString& path, QString* error = nullptr);

} // namespace kvt
