#pragma once

#include <QString>
#include <QStringList>

namespace kvt {

// Interface language of the whole process: 1 simplified Chinese, 2 English, 3 traditional
// Chinese; 0 until a language is applied. Every test treats values other than 2 and 3 like 1.
// Only ApplyLanguageChoice changes it (the login window's language list); once the login
// window has closed it stays as it is for the rest of the run.
extern int UiLanguage;

// The entries of the login window's language list `lang`, in list order: "简体中文",
// "English", "繁体中文". They are the same in every language.
QStringList LanguageListEntries();

// The language selected by an index of that list: 1 -> 2 (English), 2 -> 3 (traditional),
// anything else -> 1 (simplified).
int LanguageForListIndex(int listIndex);

// Engine half of `langChange`, the change handler of the language list. With nothing selected
// (listIndex < 0) it changes nothing and returns false. Otherwise it stores the language of
// the index in UiLanguage and returns true; the window then sets, in this order, the
// application title (ApplicationTitle(), also the caption of message boxes and through the
// main window caption the tray hint), every text of LoginTexts() on the login window and every
// text of MainTexts() on the main window, skipping silently a window that does not exist yet.
// Changing the list stores nothing in the settings; a successful login does that.
bool ApplyLanguageChoice(int listIndex);

// Engine half of `langDblClick`: the list index a double click switches to, from "简体中文"
// (0) to "English" (1), from any other entry, or from no selection, to "简体中文" (0). The
// window selects the returned index and then runs `langChange` for it, so the language and
// every text follow the new selection.
int ListIndexAfterDoubleClick(int listIndex);

// What the login window does with the remembered "savelang" value at its creation.
struct SavedLanguageChoice {
    bool select = false; // set the list's selection to listIndex
    int listIndex = -1;  // -1: no entry selected
    bool apply = false;  // then run `langChange` (ApplyLanguageChoice(listIndex))
};

// Reads "savelang" (the list index as decimal text): empty selects the first entry and applies
// nothing, so the window keeps its design-time texts and UiLanguage stays 0; "0" to "2" select
// that entry and apply it; another number leaves the list without a selection, so applying it
// changes nothing; a text that is not a number changes neither the list nor the language.
SavedLanguageChoice ReadSavedLanguage(const QString& savelang);

} // namespace kvt
