#pragma once

#include <QString>

namespace kvt {

// Everything the engine asks of the user or tells the user goes through this interface: the
// windows implement it with message boxes, tray balloons and focus changes; tests implement it
// by recording. The caption of every box is the application title of the current language.
class UserPrompts {
public:
    enum class Icon { None, Information, Warning, Question };

    virtual ~UserPrompts() = default;

    // A message box with an OK button.
    virtual void message(const QString& text, Icon icon) = 0;
    // A Yes/No question box; true for Yes.
    virtual bool question(const QString& text) = 0;
    // A tray balloon (information icon, 10 seconds).
    virtual void balloon(const QString& title, const QString& text) = 0;
    // Moves the keyboard focus to the named control of the window that asked.
    virtual void focus(const QString& controlName) = 0;
    // Opens a web address in the default browser.
    virtual void openUrl(const QString& url) = 0;
};

// The prompts in force; a silent implementation until a window layer or a test installs one.
UserPrompts& Prompts();
void InstallPrompts(UserPrompts* prompts);

} // namespace kvt
