#pragma once

#include <QList>
#include <QString>

namespace kvt {

// The text to show for a literal that exists in English and in simplified Chinese: English in
// language 2, the traditional form of the simplified literal in language 3, the simplified
// literal in every other language (including 0, before a language is applied). The const char*
// forms take UTF-8 literals. A text composed of a literal and run-time data (a user name, an
// address, a line name) passes only the literal through here and appends the data afterwards,
// so the data is never converted.
QString TextFor(int language, const char* english, const char* simplified);
QString TextFor(int language, const QString& english, const QString& simplified);

// TextFor in the current UiLanguage: what every place that shows a text calls at the moment it
// shows it.
QString Tr(const char* english, const char* simplified);
QString Tr(const QString& english, const QString& simplified);

// One text of a window's text table, named by the control that shows it.
struct NamedText {
    const char* control;
    QString text;
};

} // namespace kvt
