#include "app/page_loader.h"

#include "backend/deployment.h"

#include <QCoreApplication>
#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QStandardPaths>
#include <QStringDecoder>

namespace kvt {

namespace {

// The charset parameter of a Content-Type value, without quotes; empty when there is none.
QByteArray charsetOf(const QByteArray& contentType) {
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray part = parts.at(i).trimmed();
        const qsizetype eq = part.indexOf('=');
        if (eq < 0 || part.left(eq).trimmed().toLower() != "charset")
            continue;
        QByteArray value = part.mid(eq + 1).trimmed();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return value.trimmed();
    }
    return {};
}

} // namespace

PageLoader::PageLoader(const QString& cacheDirectory, QObject* parent)
    : QObject(parent), network_(new QNetworkAccessManager(this)),
      cache_(new QNetworkDiskCache(this)) {
    cache_->setCacheDirectory(cacheDirectory.isEmpty() ? defaultCacheDirectory() : cacheDirectory);
    // The manager takes the cache over; it stays reachable through cache_ for the clean-up.
    network_->setCache(cache_);
    network_->setCookieJar(new QNetworkCookieJar(network_));
    network_->setTransferTimeout(TransferTimeoutMs);
}

PageLoader::~PageLoader() = default;

PageLoader& PageLoader::shared() {
    static QPointer<PageLoader> instance;
    if (!instance)
        instance = new PageLoader({}, QCoreApplication::instance());
    return *instance;
}

QString PageLoader::defaultCacheDirectory() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (base.isEmpty())
        base = QDir::tempPath() + QStringLiteral("/kvt-client-cache");
    return base + QStringLiteral("/pages");
}

QString PageLoader::cacheDirectory() const {
    return cache_->cacheDirectory();
}

void PageLoader::setCacheDirectory(const QString& directory) {
    cache_->setCacheDirectory(directory.isEmpty() ? defaultCacheDirectory() : directory);
}

PageFetch* PageLoader::fetch(const QUrl& url) {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::PreferNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, true);
    return new PageFetch(network_->get(request), this);
}

void PageLoader::clearPageCookies() {
    // The manager deletes the jar it owned when it is given a new one.
    network_->setCookieJar(new QNetworkCookieJar(network_));
}

void PageLoader::clearPageCache() {
    cache_->clear();
}

QString PageLoader::decodePage(const QByteArray& body, const QByteArray& contentType) {
    const QByteArray charset = charsetOf(contentType);
    if (!charset.isEmpty()) {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(body);
    }
    QStringDecoder decoder = QStringDecoder::decoderForHtml(body);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    return decoder.decode(body);
}

PageFetch::PageFetch(QNetworkReply* reply, QObject* parent)
    : QObject(parent), reply_(reply), url_(reply->request().url()) {
    reply_->setParent(this);
    connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64) {
        if (received > PageLoader::MaxBodyBytes)
            reply_->abort(); // finishes with an error, so the fetch fails
    });
    connect(reply_, &QNetworkReply::finished, this, &PageFetch::complete);
}

QString PageFetch::text() const {
    return PageLoader::decodePage(body_, contentType_);
}

void PageFetch::abort() {
    if (done_)
        return;
    done_ = true;
    reply_->disconnect(this);
    reply_->abort();
    deleteLater();
}

void PageFetch::complete() {
    if (done_)
        return;
    done_ = true;
    finalUrl_ = reply_->url();
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply_->error() == QNetworkReply::NoError && status < 400) {
        body_ = reply_->readAll();
        contentType_ = reply_->rawHeader("Content-Type");
        succeeded_ = body_.size() <= PageLoader::MaxBodyBytes;
        if (!succeeded_)
            body_.clear();
    }
    emit finished();
    deleteLater();
}

void clearPageCookies() {
    PageLoader::shared().clearPageCookies();
}

void clearPageCache() {
    PageLoader::shared().clearPageCache();
}

QUrl ServicePageUrl(const QString& host, const QString& page) {
    return QUrl(
        QStringLiteral("http://") + host +
        QString::fromLatin1(deployment::PagePath.data(), qsizetype(deployment::PagePath.size())) +
        page);
}

} // namespace kvt
