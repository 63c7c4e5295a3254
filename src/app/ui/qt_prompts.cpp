#include "app/ui/qt_prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace kvt::ui {

namespace {

QMessageBox::Icon boxIcon(UserPrompts::Icon icon) {
    switch (icon) {
    case UserPrompts::Icon::Information:
        return QMessageBox::Information;
    case UserPrompts::Icon::Warning:
        return QMessageBox::Warning;
    case UserPrompts::Icon::Question:
        return QMessageBox::Question;
    case UserPrompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString QtPrompts::title() const {
    return title_.isEmpty() ? QApplication::applicationDisplayName() : title_;
}

QWidget* QtPrompts::window() const {
    return window_ ? window_.data() : QApplication::activeWindow();
}

void QtPrompts::message(const QString& text, Icon icon) {
    QMessageBox box(boxIcon(icon), title(), text, QMessageBox::Ok, window());
    box.setObjectName(QStringLiteral("promptMessage"));
    box.exec();
}

bool QtPrompts::question(const QString& text) {
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::Yes | QMessageBox::No,
                    window());
    box.setObjectName(QStringLiteral("promptQuestion"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtPrompts::balloon(const QString& title, const QString& text) {
    if (balloon_)
        balloon_(title, text);
}

void QtPrompts::focus(const QString& controlName) {
    QWidget* owner = window();
    if (!owner || controlName.isEmpty())
        return;
    QWidget* control =
        owner->objectName() == controlName ? owner : owner->findChild<QWidget*>(controlName);
    if (control)
        control->setFocus(Qt::OtherFocusReason);
}

void QtPrompts::openUrl(const QString& url) {
    // An empty address opens nothing, as the shell does with it.
    const QUrl target = QUrl::fromUserInput(url.trimmed());
    if (url.trimmed().isEmpty() || !target.isValid())
        return;
    QDesktopServices::openUrl(target);
}

} // namespace kvt::ui
