#pragma once

#include <QList>
#include <QPair>
#include <QString>

class QWidget;

namespace kvt::ui {

// Texts for the controls of one window, as (control name, text) pairs in the order they are
// applied. The name of the window itself stands for its caption.
using ControlTexts = QList<QPair<QString, QString>>;

// Sets the caption of the control called `name` in `window`: the window's caption when `name`
// is the window's own object name, else the text of a label, button, check box, radio button
// or menu item, or the title of a group box or submenu. Returns false when the window has no
// such control (a text for a control that does not exist is skipped, not an error).
bool setControlText(QWidget* window, const QString& name, const QString& text);

// The caption setControlText() would change; empty when there is no such control.
QString controlText(const QWidget* window, const QString& name);

// Applies every pair in order; returns how many found their control.
int applyControlTexts(QWidget* window, const ControlTexts& texts);

} // namespace kvt::ui
