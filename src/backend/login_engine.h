#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace kvt {

class MainWindowEngine;

// The login window `Tfrmlogin` without its widgets: the typed values, the status line and the
// login attempt. The window copies its boxes into the public fields before calling a handler
// and shows what the signals announce.
class LoginEngine : public QObject {
    Q_OBJECT
public:
    // `mainWindow` receives the account line, the status texts and the language; it may be
    // null while the main window does not exist.
    explicit LoginEngine(MainWindowEngine* mainWindow, QObject* parent = nullptr);

    // Box contents (raw, as typed) and choices.
    QString edt_user;
    QString edt_pass;
    bool chkpass = false;
    bool chkstatus = false; // hidden option; stored, never shown
    int lang = 0;           // selected index of the language list, -1 for none

    // The red status line.
    bool Label3Visible = true;
    QString Label3;

    // Creation: reads the remembered choices and applies the remembered language.
    void FormCreate();
    // The login attempt (button, or Enter in either box).
    void btn_loginClick();
    // The language list's selection changed to `lang`.
    void langChange();
    // Double click on the language list.
    void langDblClick();

    // Shows the update prompt modally (the window layer's `TForm6`); the prompt sets
    // Session().UpdateChoice to "2" when the user chose the download.
    std::function<void()> showUpdatePrompt;

Q_SIGNALS:
    // Box contents, check boxes or the list selection were set by the engine.
    void fieldsChanged();
    // A language was applied: the window re-reads LoginTexts() and the application title.
    void textsChanged();
    void label3Changed();
    // The login window is to close (success, forced update, download chosen).
    void closeRequested();
    // The notice board is to be destroyed (successful login).
    void noticeBoardDestroyRequested();

private:
    void setLabel3(const QString& text, bool visible);
    bool attemptUserCheck();
    void succeed(const QString& answer);

    MainWindowEngine* mainWindow_;
};

} // namespace kvt
