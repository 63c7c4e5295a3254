#include "lines/ui/area_bar.h"

#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace kvt::ui {

namespace {

const QColor Green(0, 128, 0);

} // namespace

AreaBar::AreaBar(QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("sb"));
    setToolTip(QStringLiteral("选择你需要连接的国家或地区"));
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::StyledPanel);

    column_ = new QWidget;
    column_->setObjectName(QStringLiteral("sbColumn"));
    layout_ = new QVBoxLayout(column_);
    layout_->setContentsMargins(2, 2, 2, 2);
    layout_->setSpacing(2);
    layout_->addStretch(1);
    setWidget(column_);
}

void AreaBar::setAreas(const QStringList& names) {
    // Deleted later: the bar may be rebuilt from inside one of its own buttons' click.
    for (QPushButton* b : std::as_const(buttons_)) {
        disconnect(b, nullptr, this, nullptr);
        layout_->removeWidget(b);
        b->hide();
        b->deleteLater();
    }
    buttons_.clear();
    styles_.clear();
    for (const QString& name : names) {
        auto* b = new QPushButton(name, column_);
        b->setObjectName(QStringLiteral("sbItem%1").arg(buttons_.size()));
        b->setFixedHeight(ButtonHeight);
        b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, b] {
            const int index = indexOf(b);
            if (index >= 0)
                emit areaClicked(index);
        });
        layout_->insertWidget(layout_->count() - 1, b);
        buttons_.append(b);
        styles_.append(CaptionStyle::Normal);
        setCaptionStyle(int(buttons_.size()) - 1, CaptionStyle::Normal);
    }
    verticalScrollBar()->setValue(0);
}

QStringList AreaBar::areas() const {
    QStringList names;
    for (const QPushButton* b : buttons_)
        names.append(b->text());
    return names;
}

QPushButton* AreaBar::button(int index) const {
    return index >= 0 && index < buttons_.size() ? buttons_.at(index) : nullptr;
}

void AreaBar::setCaptionStyle(int index, CaptionStyle style) {
    QPushButton* b = button(index);
    if (!b)
        return;
    styles_[index] = style;
    QFont font = b->font();
    font.setBold(style != CaptionStyle::Normal);
    b->setFont(font);
    QPalette palette = b->palette();
    palette.setColor(QPalette::ButtonText, style == CaptionStyle::Selected
                                               ? Green
                                               : this->palette().color(QPalette::WindowText));
    b->setPalette(palette);
}

AreaBar::CaptionStyle AreaBar::captionStyle(int index) const {
    return index >= 0 && index < styles_.size() ? styles_.at(index) : CaptionStyle::Normal;
}

void AreaBar::clickArea(int index) {
    if (QPushButton* b = button(index))
        b->click();
}

} // namespace kvt::ui
