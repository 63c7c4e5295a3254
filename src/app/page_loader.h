#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkDiskCache;
class QNetworkReply;

namespace kvt {

class PageFetch;

// Fetches the service's web pages (the login banner, the notice board, the main window's top
// banner and news pane) and the images they show. Every pane goes through one network manager
// with one cookie jar and one disk cache, as the panes of a browser share its session: a page
// sees the cookies another page set, and a single clean-up clears them for all panes.
class PageLoader : public QObject {
    Q_OBJECT
public:
    // A page or image larger than this is refused; the panes show small pages only.
    static constexpr qint64 MaxBodyBytes = 8 * 1024 * 1024;
    // Page-style fetches give up after this long without progress.
    static constexpr int TransferTimeoutMs = 30000;

    // An empty cacheDirectory selects defaultCacheDirectory().
    explicit PageLoader(const QString& cacheDirectory = {}, QObject* parent = nullptr);
    ~PageLoader() override;

    // The loader every pane uses; made on first use and owned by the application object.
    static PageLoader& shared();

    // <the application's cache location>/pages
    static QString defaultCacheDirectory();
    QString cacheDirectory() const;
    void setCacheDirectory(const QString& directory);

    // Starts an asynchronous GET; the fetch reports once through its finished() signal and
    // deletes itself after that signal has been delivered.
    PageFetch* fetch(const QUrl& url);

    // Forgets every cookie the pages were given.
    void clearPageCookies();
    // Empties the disk cache of pages and images.
    void clearPageCache();

    QNetworkAccessManager* network() const { return network_; }
    QNetworkDiskCache* cache() const { return cache_; }

    // Text of a page body: the charset named by the Content-Type, else the one the page's own
    // byte order mark or <meta> names, else UTF-8.
    static QString decodePage(const QByteArray& body, const QByteArray& contentType);

private:
    QNetworkAccessManager* network_;
    QNetworkDiskCache* cache_;
};

// One fetch started by PageLoader::fetch().
class PageFetch : public QObject {
    Q_OBJECT
public:
    QUrl url() const { return url_; }
    // The address that answered, after redirections.
    QUrl finalUrl() const { return finalUrl_; }
    // True when the server answered with a success status and the whole body arrived.
    bool succeeded() const { return succeeded_; }
    QByteArray body() const { return body_; }
    QByteArray contentType() const { return contentType_; }
    // The body decoded as a page (PageLoader::decodePage).
    QString text() const;

    // Stops the fetch; finished() is not emitted afterwards.
    void abort();

signals:
    void finished();

private:
    friend class PageLoader;
    PageFetch(QNetworkReply* reply, QObject* parent);
    void complete();

    QNetworkReply* reply_;
    QUrl url_;
    QUrl finalUrl_;
    QByteArray body_;
    QByteArray contentType_;
    bool succeeded_ = false;
    bool done_ = false;
};

// The shared loader's clean-up, for the line change's cookie and cache options.
void clearPageCookies();
void clearPageCache();

// "http://" + host + "/kvtclient/" + page: the service's pages live beside each other on the
// banner, notice and backend hosts.
QUrl ServicePageUrl(const QString& host, const QString& page);

} // namespace kvt
