#pragma once

#include "app/registry_store.h"

#include <QString>

#include <optional>

namespace kvt {

// What the client remembers between runs besides the advanced settings.
//
// Login choices, HKEY_CURRENT_USER "Software\vidizirevoror":
//   "savepassword"  Boolean  remember user name and password
//   "saveautodial"  Boolean  state of the hidden option; always false
//   "savelang"      string   language list index as decimal text ("0" to "2")
//   "username"      string   user name as typed (untrimmed), only while "savepassword" is set
//   "password"      string   password as typed, plain text, likewise
// Booleans are DWORD values 0 and 1 (read as true when non-zero), as the registry helper
// writes them. A Boolean stored as a string cannot be read: the read fails.
//
// Last area and line, HKEY_LOCAL_MACHINE "SOFTWARE\vidizirevoror":
//   "AREACombobox2" string   index of the selected area as decimal text, "-1" for none
//   "IPCombobox2"   string   index of the selected line within that area, "-1" for none
//
// Missing values read as false or empty text. Nothing is cached: each function reads or
// writes the store when called. Unchecking "savepassword" does not delete "username" and
// "password"; they are only no longer read.

// The login window's choices as read at its creation. The reads run in a fixed order and the
// first failure ends them (the window's catch-all block); the fields read before it are set
// and are to be applied, the rest stay unset:
//   open the key (created if missing); "savepassword"; if it is true, "username" then
//   "password"; "savelang", and when it is not empty its number.
// A "savelang" that is not a decimal number is such a failure: the boxes are filled but no
// language is applied. An out-of-range index is returned as it is.
struct LoginChoices {
    std::optional<bool> savePassword;
    std::optional<QString> userName;  // read only when savePassword is true
    std::optional<QString> password;  // likewise
    std::optional<int> languageIndex; // unset when "savelang" is empty or was not reached
    bool complete = false;            // every read ran; false when a failure ended them
};
LoginChoices readLoginChoices(RegistryStore& store = registryStore());

// Written after a successful login, in this order: open the key (created if missing);
// "savepassword"; "saveautodial"; "savelang" (decimal text of the list index, "-1" when no
// entry is selected); if savePassword, "username" then "password". Returns false at the first
// failure; the values written before it stay.
struct SavedLoginChoices {
    bool savePassword = false;
    bool saveAutoDial = false; // the hidden option's state
    int languageIndex = 0;
    QString userName; // as typed, untrimmed
    QString password; // as typed
};
bool writeLoginChoices(const SavedLoginChoices& choices, RegistryStore& store = registryStore());

// The raw texts of the last area and line, read in this order after the key has been opened
// (created if missing): "AREACombobox2", then "IPCombobox2". A missing value reads as empty
// text; a read that fails leaves its field unset, and a failed area read ends the sequence
// (so the line is not read either). Both are unset when the key cannot be opened.
struct LastChoiceTexts {
    std::optional<QString> area;
    std::optional<QString> line;
    bool complete() const { return area && line; }
};
LastChoiceTexts readLastChoice(RegistryStore& store = registryStore());

// Written when the main window closes after a successful login: the key is opened (created if
// missing), then "AREACombobox2" and "IPCombobox2" as decimal texts (-1 gives "-1"). Returns
// false at the first failure.
bool writeLastChoice(int areaIndex, int lineIndex, RegistryStore& store = registryStore());

// The list index a remembered text selects: empty or "-1" selects the first entry (0); any
// other text must be a decimal number, else there is nothing (the caller's sequence fails).
std::optional<int> lastChoiceIndex(const QString& text);

// A decimal integer (optional sign, ASCII digits, 32-bit range); nothing for any other text.
std::optional<int> parseDecimalIndex(const QString& text);

} // namespace kvt
