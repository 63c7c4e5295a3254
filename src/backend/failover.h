#pragma once

#include <QString>
#include <QStringList>

namespace kvt {

// Posts `fields` to the script on BackendHost. When that attempt fails (RequestFailed, not an
// unexpected answer), posts the same fields once more, on a fresh client, to the same script
// on AlternateHost; if that succeeds, BackendHost becomes AlternateHost for the rest of the
// run. Returns the answer, or empty text when both attempts failed (or the first failed and
// there is no alternate host). Never tries a third time and never throws RequestFailed.
QString PostWithFailover(const QString& scriptBase, const QStringList& fields, int readTimeoutMs);

} // namespace kvt
