#pragma once

#include "app/user_prompts.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace kvt::ui {

// The engine's prompts shown with widgets: message and question boxes captioned with the
// application title, tray balloons through a callback (the tray installs it), focus moves by
// control name and web addresses opened in the default browser.
class QtPrompts final : public UserPrompts {
public:
    using BalloonHandler = std::function<void(const QString& title, const QString& text)>;

    QtPrompts() = default;

    // The caption of every box; QApplication::applicationDisplayName() while none is set.
    QString title() const;
    void setTitle(const QString& title) { title_ = title; }

    // The window whose controls focus() names, and the owner of the boxes; the active window
    // while none is set (or after it was destroyed).
    QWidget* window() const;
    void setWindow(QWidget* window) { window_ = window; }

    // Shows balloons; without one a balloon is dropped.
    void setBalloonHandler(BalloonHandler handler) { balloon_ = std::move(handler); }

    void message(const QString& text, Icon icon) override;
    bool question(const QString& text) override;
    void balloon(const QString& title, const QString& text) override;
    void focus(const QString& controlName) override;
    void openUrl(const QString& url) override;

private:
    QString title_;
    QPointer<QWidget> window_;
    BalloonHandler balloon_;
};

} // namespace kvt::ui
