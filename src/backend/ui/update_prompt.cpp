#include "backend/ui/update_prompt.h"

#include "app/ui/named_widget.h"
#include "app/ui/window_geometry.h"
#include "app/update_prompt_texts.h"
#include "backend/update_download.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

namespace kvt::ui {

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TForm6"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("软件更新"));
    setFixedSize(ClientWidth, ClientHeight);

    sLabel1_ = namedWidget<QLabel>(this, "sLabel1", QRect(8, 6, 363, 44));
    sLabel1_->setWordWrap(true);
    sLabel1_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    sLabel1_->setText(QStringLiteral("已经有新版，请立即下载更新，否则可能无法使用"));
    QPalette red = sLabel1_->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    sLabel1_->setPalette(red);

    sButton1_ = namedWidget<QPushButton>(this, "sButton1", QRect(92, 56, 90, 30));
    sButton1_->setText(QStringLiteral("立即下载"));
    sButton1_->setDefault(true);
    sButton2_ = namedWidget<QPushButton>(this, "sButton2", QRect(198, 56, 90, 30));
    sButton2_->setText(QStringLiteral("下次再说"));

    connect(sButton1_, &QPushButton::clicked, this, &TForm6::sButton1Click);
    connect(sButton2_, &QPushButton::clicked, this, &TForm6::sButton2Click);
}

bool TForm6::setControlText(const QString& name, const QString& text) {
    return ui::setControlText(this, name, text);
}

QString TForm6::controlText(const QString& name) const {
    return ui::controlText(this, name);
}

int TForm6::applyTexts(const ControlTexts& texts) {
    return applyControlTexts(this, texts);
}

void TForm6::applyLanguageTexts() {
    for (const NamedText& entry : Entries(UpdatePromptTexts())) {
        const QString name = QLatin1String(entry.control);
        setControlText(name == QLatin1String("caption") ? objectName() : name, entry.text);
    }
}

void TForm6::sButton1Click() {
    emit handlerCalled(QStringLiteral("sButton1Click"));
    UpdatePromptDownload();
    accept();
}

void TForm6::sButton2Click() {
    emit handlerCalled(QStringLiteral("sButton2Click"));
    reject();
}

void TForm6::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        applyLanguageTexts();
    if (!centred_) {
        centred_ = true;
        centerOnScreen(this);
    }
    QDialog::showEvent(event);
}

} // namespace kvt::ui
