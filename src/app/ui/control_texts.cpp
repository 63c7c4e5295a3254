#include "app/ui/control_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QWidget>

namespace kvt::ui {

bool setControlText(QWidget* window, const QString& name, const QString& text) {
    if (!window || name.isEmpty())
        return false;
    if (name == window->objectName()) {
        window->setWindowTitle(text);
        return true;
    }
    QObject* control = window->findChild<QObject*>(name);
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(text);
    else if (auto* menu = qobject_cast<QMenu*>(control))
        menu->setTitle(text);
    else if (auto* action = qobject_cast<QAction*>(control))
        action->setText(text);
    else
        return false;
    return true;
}

QString controlText(const QWidget* window, const QString& name) {
    if (!window || name.isEmpty())
        return {};
    if (name == window->objectName())
        return window->windowTitle();
    QObject* control = window->findChild<QObject*>(name);
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(control))
        return group->title();
    if (auto* menu = qobject_cast<QMenu*>(control))
        return menu->title();
    if (auto* action = qobject_cast<QAction*>(control))
        return action->text();
    return {};
}

int applyControlTexts(QWidget* window, const ControlTexts& texts) {
    int applied = 0;
    for (const auto& [name, text] : texts)
        applied += setControlText(window, name, text) ? 1 : 0;
    return applied;
}

} // namespace kvt::ui
