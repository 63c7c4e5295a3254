#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace kvt {

// Read timeouts of the backend requests: every form post waits 2 s for data, the pre-dial
// line query 4 s, page-style fetches 30 s.
inline constexpr int DefaultReadTimeoutMs = 2000;
inline constexpr int PreDialReadTimeoutMs = 4000;
inline constexpr int FetchReadTimeoutMs = 30000;

// A backend exchange that produced no usable answer: no connection, no data within the read
// timeout, an HTTP status outside 2xx, or the application quitting during the wait.
class RequestFailed : public std::runtime_error {
public:
    explicit RequestFailed(const QString& reason);
};

// Form-encoded POST of `fields` ("name=value" texts, in the caller's order; split at the first
// "=") to `url`, answer decoded to text (see DecodeAnswer). Each call uses a fresh HTTP client,
// so no cookie, connection or header carries over. Fails with RequestFailed when no data
// arrives for `readTimeoutMs`, on an HTTP error status and on any other transport failure. The
// wait keeps timers running but holds back user input.
QString PostForm(const QString& url, const QStringList& fields, int readTimeoutMs);

// GET of `url` with redirects followed and a 30 s read timeout; empty text on any failure.
QString FetchText(const QString& url);

} // namespace kvt
