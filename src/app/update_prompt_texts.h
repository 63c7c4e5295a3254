#pragma once

#include "app/text_choice.h"

#include <QList>
#include <QString>

namespace kvt {

// Texts of the update prompt `TForm6`, set each time it is shown.
struct UpdatePromptWindowTexts {
    QString caption;  // window caption
    QString sLabel1;  // the red notice
    QString sButton1; // download now
    QString sButton2; // later
};

// The texts for a language (0 and other values: simplified; 3: the simplified ones converted).
UpdatePromptWindowTexts UpdatePromptTexts(int language);
UpdatePromptWindowTexts UpdatePromptTexts(); // in UiLanguage

// The texts with their control names; "caption" stands for the window caption.
QList<NamedText> Entries(const UpdatePromptWindowTexts& texts);

} // namespace kvt
