#include "app/ui/page_view.h"

#include "app/page_loader.h"

#include <QDesktopServices>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

namespace kvt::ui {

namespace {

// The panes are small; a page with more pictures than this shows the first ones only.
constexpr qsizetype MaxImagesPerPage = 32;

bool isWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

} // namespace

PageView::PageView(QWidget* parent, PageLoader* loader)
    : QTextBrowser(parent), loader_(loader ? loader : &PageLoader::shared()) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
    setFrameShape(QFrame::NoFrame);
    connect(this, &QTextBrowser::anchorClicked, this, &PageView::openLink);
}

PageView::~PageView() {
    if (fetch_)
        fetch_->abort();
    for (const QPointer<PageFetch>& image : std::as_const(imageFetches_))
        if (image)
            image->abort();
}

void PageView::showUrl(const QUrl& url) {
    if (fetch_)
        fetch_->abort();
    pageUrl_ = url;
    if (url.isEmpty() || !url.isValid()) {
        clear();
        emit pageLoaded(false);
        return;
    }
    PageFetch* fetch = loader_->fetch(url);
    fetch_ = fetch;
    connect(fetch, &PageFetch::finished, this, [this, fetch] {
        if (fetch == fetch_)
            pageArrived();
    });
}

void PageView::pageArrived() {
    PageFetch* fetch = fetch_;
    fetch_ = nullptr;
    for (const QPointer<PageFetch>& image : std::as_const(imageFetches_))
        if (image)
            image->abort();
    imageFetches_.clear();
    imagesAsked_.clear();

    if (!fetch->succeeded()) {
        clear();
        document()->setBaseUrl(QUrl());
        emit pageLoaded(false);
        return;
    }
    document()->setBaseUrl(fetch->finalUrl());
    if (fetch->contentType().trimmed().toLower().startsWith("text/plain"))
        setPlainText(fetch->text());
    else
        setHtml(fetch->text());
    fetchImages();
    emit pageLoaded(true);
}

void PageView::fetchImages() {
    QTextDocument* doc = document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isImageFormat())
                continue;
            const QUrl source =
                doc->baseUrl().resolved(QUrl(fragment.charFormat().toImageFormat().name()));
            if (!isWebAddress(source) || imagesAsked_.contains(source) ||
                imagesAsked_.size() >= MaxImagesPerPage)
                continue;
            imagesAsked_.insert(source);
            PageFetch* fetch = loader_->fetch(source);
            imageFetches_.append(fetch);
            connect(fetch, &PageFetch::finished, this, [this, fetch, source] {
                imageFetches_.removeAll(fetch);
                QImage image;
                if (!fetch->succeeded() || !image.loadFromData(fetch->body()))
                    return;
                document()->addResource(QTextDocument::ImageResource, source, image);
                document()->markContentsDirty(0, document()->characterCount());
            });
        }
    }
}

QVariant PageView::loadResource(int type, const QUrl& name) {
    // Pictures arrive asynchronously (fetchImages); until then, and for one that cannot be
    // fetched, an invisible pixel keeps the layout free of broken-image marks. Nothing is
    // read from local files: the page comes from the network.
    Q_UNUSED(name);
    if (type == QTextDocument::ImageResource) {
        QImage pixel(1, 1, QImage::Format_ARGB32);
        pixel.fill(Qt::transparent);
        return pixel;
    }
    return {};
}

void PageView::openLink(const QUrl& link) {
    if (link.isRelative() && link.path().isEmpty() && link.hasFragment()) {
        scrollToAnchor(link.fragment());
        return;
    }
    const QUrl target = document()->baseUrl().resolved(link);
    const QString scheme = target.scheme().toLower();
    if (!isWebAddress(target) && scheme != QLatin1String("mailto"))
        return;
    QDesktopServices::openUrl(target);
    emit linkOpened(target);
}

} // namespace kvt::ui
