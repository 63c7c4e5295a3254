#pragma once

#include <QByteArray>
#include <QString>

namespace kvt {

// Files that hold dial credentials: created readable and writable by their owner only
// (0600) from the first byte, written whole to a temporary name and renamed over the target, so
// no other user ever sees them and no reader sees half a file. They are not synced to disk:
// they live for one dial, and after a crash nothing needs them.
bool WritePrivateFile(const QString& path, const QByteArray& contents, QString* error = nullptr);

// Creates the folder (and its parents) and makes the folder itself 0700.
bool MakePrivateDir(const QString& path, QString* error = nullptr);

} // namespace kvt
