#pragma once

#include "app/text_choice.h"

#include <QList>
#include <QString>

namespace kvt {

// Texts of the main window `Tfrmmain` and of its menus, one per control, named as the controls.
struct MainWindowTexts {
    QString caption;        // window caption, the application title (also the tray hint)
    QString sLabel3;        // line list label
    QString sLabel4;        // mode label
    QString sCheckBox1;     // encryption check box
    QString btn_speed;      // batch speed test button
    QString cesu;           // single speed test button
    QString statuslabel;    // connection status line
    QString protocollabel;  // protocol line of the status panel
    QString vt1_column1;    // line list column: line name
    QString vt1_column2;    // line list column: delay
    QString vt1_column3;    // line list column: online rate
    QString N2;             // main menu: account
    QString N11;            // main menu: register
    QString N3;             // main menu: top up
    QString N4;             // main menu: change password
    QString O1;             // main menu: refresh line
    QString N14;            // main menu: refresh line
    QString N15;            // main menu: advanced settings
    QString N16;            // tray menu: advanced settings
    QString N17;            // line popup: single speed test
    QString N18;            // line popup: connect
    QString N19;            // line popup: copy line name
    QString N9;             // tray menu: show main window
    QString N7;             // tray menu: exit
    QString N8;             // tray menu: about
    QString btn_conn;       // connect button
    QString btn_disconn;    // disconnect button
    QString linenamesearch; // line search button
};

// The texts that `langChange` sets for a language (0 and other values: simplified).
MainWindowTexts MainTexts(int language);
MainWindowTexts MainTexts(); // in UiLanguage

// The texts the window carries before any language has been applied: the simplified ones,
// except "协议：PPTP" in `protocollabel`, "线路：" and "模式：" (full-width colons) in the
// labels, "帐户管理", "帐户注册", "帐户充值" for `N2`, `N11`, `N3`, and "启用连接" for `N18`.
MainWindowTexts MainDesignTexts();

// The texts with their control names, in the order `langChange` sets them.
QList<NamedText> Entries(const MainWindowTexts& texts);

// Hint of the area bar `sb`: "选择你需要连接的国家或地区". It has no English literal and no
// language changes it.
QString AreaBarHint();

// Composed texts of the status panel. Only the literal prefix follows the language; the
// run-time values are appended unconverted.
// `linelabel`: "Line:" / "当前节点：" + the line name.
QString LineLabelText(const QString& lineName);
// `userlabel`: "UserName：" / "用户名：" + user + two spaces + the login answer.
QString UserLabelText(const QString& user, const QString& loginAnswer);
// `localiplabel`: "Local IP：" / "本地IP为：" + the client's public address.
QString LocalIpLabelText(const QString& clientAddress);

// The question asked before closing the main window drops a live tunnel.
QString CloseQuestionText();

} // namespace kvt
