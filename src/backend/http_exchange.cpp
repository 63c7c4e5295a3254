#include "backend/http_exchange.h"

#include "backend/answer_decoding.h"

#include <QByteArrayList>
#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace kvt {

namespace {

constexpr char kAccept[] = "text/html, */*";
constexpr char kPostUserAgent[] = "Mozilla/3.0 (compatible; Indy Library)";
constexpr char kFetchUserAgent[] = "iisuser_class";
constexpr char kFormContentType[] = "application/x-www-form-urlencoded";
constexpr int kMaxRedirects = 20;

// application/x-www-form-urlencoded serialisation of one name or value: alphanumerics and
// "*-._" stay, a space becomes "+", every other UTF-8 byte is percent-encoded.
QByteArray formEncode(const QString& text) {
    QByteArray encoded = QUrl::toPercentEncoding(text, QByteArrayLiteral("* "), "~");
    encoded.replace(' ', '+');
    return encoded;
}

QByteArray formBody(const QStringList& fields) {
    QByteArrayList pairs;
    for (const QString& field : fields) {
        const qsizetype equals = field.indexOf(QLatin1Char('='));
        if (equals < 0)
            pairs.append(formEncode(field));
        else
            pairs.append(formEncode(field.left(equals)) + '=' + formEncode(field.mid(equals + 1)));
    }
    return pairs.join('&');
}

QNetworkRequest makeRequest(const QUrl& url, const char* userAgent, int readTimeoutMs) {
    QNetworkRequest request(url);
    request.setRawHeader("Accept", kAccept);
    request.setRawHeader("User-Agent", userAgent);
    // The transfer timeout restarts with every byte that moves, which is a read timeout.
    request.setTransferTimeout(readTimeoutMs);
    return request;
}

QString describe(const QString& method, const QString& url) {
    return method + QLatin1Char(' ') + url;
}

struct Reply {
    int status = 0;
    QByteArray body;
    QByteArray contentType;
    QByteArray location;
};

// Sends one request on a client of its own and waits for the whole answer in a local event
// loop that excludes user input. Throws RequestFailed on a transport failure, a timeout, an
// HTTP error status (4xx, 5xx) or when the application quits during the wait. Redirects are
// never followed here.
Reply exchange(QNetworkRequest request, const QByteArray* postBody, int readTimeoutMs) {
    const QString what = describe(postBody ? QStringLiteral("POST") : QStringLiteral("GET"),
                                  request.url().toString());
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QCoreApplication::closingDown())
        throw RequestFailed(what + QStringLiteral(": the application is not running"));
    if (!request.url().isValid() || request.url().host().isEmpty())
        throw RequestFailed(what + QStringLiteral(": not a valid address"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);

    QNetworkAccessManager manager;
    QNetworkReply* reply = postBody ? manager.post(request, *postBody) : manager.get(request);

    bool quitting = false;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(app, &QCoreApplication::aboutToQuit, &loop, [&] {
        quitting = true;
        loop.quit();
    });
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!reply->isFinished()) {
        // The loop can only end early because the application is leaving its event loops.
        quitting = true;
        reply->abort();
    }
    if (quitting)
        throw RequestFailed(what + QStringLiteral(": the application is quitting"));

    // An HTTP error status is a failure whose body is never used.
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400)
        throw RequestFailed(what + QStringLiteral(": HTTP status %1").arg(status));

    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError)
        throw RequestFailed(what + QStringLiteral(": no data for %1 ms").arg(readTimeoutMs));
    if (error != QNetworkReply::NoError)
        throw RequestFailed(what + QStringLiteral(": ") + reply->errorString());
    if (status == 0)
        throw RequestFailed(what + QStringLiteral(": no HTTP answer"));

    return {status, reply->readAll(), reply->rawHeader("Content-Type"),
            reply->rawHeader("Location")};
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

RequestFailed::RequestFailed(const QString& reason) : std::runtime_error(reason.toStdString()) {}

QString PostForm(const QString& url, const QStringList& fields, int readTimeoutMs) {
    QNetworkRequest request = makeRequest(QUrl(url), kPostUserAgent, readTimeoutMs);
    request.setRawHeader("Content-Type", kFormContentType);
    const QByteArray body = formBody(fields);
    const Reply reply = exchange(request, &body, readTimeoutMs);
    // A post is answered by the script itself; a redirect page or any other non-2xx answer
    // must not pass for an answer that a caller would read as success.
    if (reply.status < 200 || reply.status > 299)
        throw RequestFailed(QStringLiteral("POST %1: HTTP status %2").arg(url).arg(reply.status));
    return DecodeAnswer(reply.body, reply.contentType);
}

QString FetchText(const QString& url) {
    // Redirects are followed here, one fresh client per hop: the network layer's own
    // following can send the first request twice on a kept-alive connection.
    QUrl current(url);
    try {
        for (int hop = 0; hop <= kMaxRedirects; ++hop) {
            const Reply reply = exchange(makeRequest(current, kFetchUserAgent, FetchReadTimeoutMs),
                                         nullptr, FetchReadTimeoutMs);
            if (!isRedirect(reply.status)) {
                if (reply.status < 200 || reply.status > 299)
                    return {};
                return DecodeAnswer(reply.body, reply.contentType);
            }
            const QUrl next = current.resolved(QUrl::fromEncoded(reply.location));
            // Only to web addresses, and never from an encrypted page to a plain one.
            const bool web =
                next.scheme() == QLatin1String("http") || next.scheme() == QLatin1String("https");
            const bool downgrade = current.scheme() == QLatin1String("https") &&
                                   next.scheme() != QLatin1String("https");
            if (reply.location.isEmpty() || !next.isValid() || !web || downgrade)
                return {};
            current = next;
        }
    } catch (const RequestFailed&) {
    }
    return {};
}

} // namespace kvt
