#pragma once

#include <QPointer>
#include <QSet>
#include <QTextBrowser>
#include <QUrl>

namespace kvt {
class PageFetch;
class PageLoader;
} // namespace kvt

namespace kvt::ui {

// One pane that shows a page of the service: the login banner wb1, the notice board, the main
// window's top banner web1 and its news pane web2. The page and its images come through the
// shared PageLoader, asynchronously, so a slow server never holds up the window. A page that
// cannot be fetched leaves the pane empty. Links never navigate inside the pane: a click opens
// the address in the default browser.
class PageView : public QTextBrowser {
    Q_OBJECT
public:
    // Pages are fetched through `loader`, or the shared loader when it is null.
    explicit PageView(QWidget* parent = nullptr, PageLoader* loader = nullptr);
    ~PageView() override;

    // Starts showing the page at url; a load still running for an earlier address is dropped.
    // An empty or invalid url empties the pane.
    void showUrl(const QUrl& url);
    // The address last asked for.
    QUrl pageUrl() const { return pageUrl_; }
    bool isLoading() const { return !fetch_.isNull(); }

signals:
    // After every showUrl(): true when the page is shown, false when the pane was emptied.
    void pageLoaded(bool ok);
    // A link of the page was clicked and handed to the default browser.
    void linkOpened(const QUrl& url);

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void pageArrived();
    void fetchImages();
    void openLink(const QUrl& link);

    PageLoader* loader_;
    QUrl pageUrl_;
    QPointer<PageFetch> fetch_;
    QList<QPointer<PageFetch>> imageFetches_;
    QSet<QUrl> imagesAsked_;
};

} // namespace kvt::ui
