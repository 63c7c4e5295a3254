#pragma once

#include "app/registry_store.h"

#include <optional>

namespace kvt {

// The registry helper the login window and the settings dialog use: select a root, open a
// key, select a value, read or write it, close the key. One object per use.
//
// Failures follow the registry: a read or write with no open key fails, and so does reading
// a value of the other type (a string read as a Boolean, a DWORD read as a string). A value
// that does not exist is no failure: it reads as empty text or false.
//
// Booleans are stored as DWORD values 0 and 1 and read as true for any non-zero DWORD.
//
// Splitting texts and fetching pages (Split, FetchText) are not part of this class; they live
// with the backend requests (backend/split.h).
class strings4 {
public:
    // Works on the process-wide store, registryStore().
    strings4();
    explicit strings4(RegistryStore& store);

    // Root for the next openKey; HKEY_CURRENT_USER until set.
    void selectRoot(RegistryRoot root);
    // Closes any open key, drops one leading "\" and opens the path under the selected root,
    // creating it when missing if `canCreate`. False (and no key open) when it cannot.
    bool openKey(const QString& path, bool canCreate);
    void closeKey();
    bool hasOpenKey() const { return m_keyOpen; }
    QString openKeyPath() const { return m_keyOpen ? m_keyPath : QString(); }

    // Name for the next read or write; empty names the key's default value.
    void selectValue(const QString& name);
    bool valueExists() const;

    // The value's text, empty text when it does not exist; nothing on failure.
    std::optional<QString> readString() const;
    // The value as a Boolean (non-zero DWORD), false when it does not exist; nothing on
    // failure, which includes a string stored under the name.
    std::optional<bool> readBool() const;
    // True when written.
    bool writeString(const QString& text);
    bool writeBool(bool flag);

private:
    RegistryStore* m_store;
    RegistryRoot m_root = RegistryRoot::CurrentUser;
    bool m_keyOpen = false;
    QString m_keyPath;
    QString m_valueName;
};

} // namespace kvt
