#pragma once

#include "app/text_choice.h"

#include <QList>
#include <QString>

namespace kvt {

// The application title in a language: "KVT Network Client v8.0.2" / "Varnok动态加速器 v8.0.2".
// It is the caption of the login window, of the main window and of every message box.
QString ApplicationTitle(int language);
QString ApplicationTitle(); // in UiLanguage

// Texts of the login window `Tfrmlogin`, one per control, named as the controls.
struct LoginWindowTexts {
    QString caption;    // window caption, the application title
    QString sLabel1;    // user name label
    QString sLabel2;    // password label
    QString sLabel3;    // language label
    QString chkpass;    // "remember password" check box
    QString sButton1;   // opens the registration dialog
    QString sButton2;   // opens the top-up dialog
    QString btn_login;  // default button
    QString btn_exit;   // cancel button
    QString Label3;     // status and error line (red)
    QString sGroupBox1; // group box around the fields
};

// The texts that `langChange` sets for a language (0 and other values: simplified). In
// language 3 the status line `Label3` carries the traditional form of the application title
// rather than of the welcome text, as the client always showed it.
LoginWindowTexts LoginTexts(int language);
LoginWindowTexts LoginTexts(); // in UiLanguage

// The texts the window shows before any language has been applied (first start, nothing in
// "savelang"): the simplified ones, except "登陆" and "登  陆" for the group box and the
// login button, and an empty status line.
LoginWindowTexts LoginDesignTexts();

// The texts with their control names, in the order `langChange` sets them.
QList<NamedText> Entries(const LoginWindowTexts& texts);

// Messages of a login attempt, shown in a message box with the application title as caption
// (and the failures of the user check also in `Label3`). Built for the language of the moment
// they are shown.
struct LoginMessages {
    QString userEmpty;       // user name box empty (warning box)
    QString passwordEmpty;   // password box empty (warning box)
    QString connecting;      // `Label3` while the main node is asked
    QString networkPoor;     // no answer from the main node or from the user check
    QString updateAvailable; // `Label3` before the optional update prompt
    QString wrongPassword;   // user check answered "error"
    QString accountExpired;  // user check answered "expire"
    QString freeTimeUsedUp;  // user check answered "useup"
};

LoginMessages LoginMessageTexts(int language);
LoginMessages LoginMessageTexts(); // in UiLanguage

QList<NamedText> Entries(const LoginMessages& texts);

// Caption of the notice-board window beside the login window: "公告栏". It has no English
// literal and no language changes it.
QString NoticeBoardCaption();

} // namespace kvt
