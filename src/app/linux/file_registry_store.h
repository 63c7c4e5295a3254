#pragma once

#include "app/registry_store.h"

#include <functional>

namespace kvt {

class RegistryHive;

// Where each root's file lives: the directory set by setRegistryRootDirectories, else the
// environment (KVT_HKCU_DIR, KVT_HKLM_DIR), else $XDG_CONFIG_HOME/kvt-client for the current
// user and /var/lib/kvt-client for the machine. Tests and the demo point both elsewhere so
// they never touch the machine's own values.
QString registryRootDirectory(RegistryRoot root);
// An empty directory puts that root back to the environment or the default.
void setRegistryRootDirectories(const QString& currentUserDir, const QString& localMachineDir);
// "hkcu.reg" or "hklm.reg".
QString registryFileName(RegistryRoot root);

// The registry on Linux: one REGEDIT4 text file per root (see regedit_text.h).
//
// Every call reads the file afresh; every change rewrites it whole under an exclusive lock of
// its directory: a new file is written beside it with mode 0600 (it holds the remembered
// password in plain text), flushed to disk and renamed over the old one, so a failed or
// interrupted write leaves the old file as it was. A file that is not in the REGEDIT4 form
// reads as empty (every value at its default) and, before the first write replaces it, is
// renamed to "<name>.corrupt-<yyyyMMdd-hhmmss>" and kept. A file that cannot be read (no
// permission, not a regular file) is never replaced: reads fail with AccessDenied and writes
// with AccessDenied too.
class FileRegistryStore final : public RegistryStore {
public:
    // Follows registryRootDirectory() at every call.
    FileRegistryStore();
    FileRegistryStore(const QString& currentUserDir, const QString& localMachineDir);

    QString filePath(RegistryRoot root) const;

    bool keyExists(RegistryRoot root, const QString& key) override;
    RegistryStatus createKey(RegistryRoot root, const QString& key) override;
    bool valueExists(RegistryRoot root, const QString& key, const QString& name) override;
    RegistryRead<QString> readString(RegistryRoot root, const QString& key,
                                     const QString& name) override;
    RegistryRead<quint32> readDword(RegistryRoot root, const QString& key,
                                    const QString& name) override;
    RegistryStatus writeString(RegistryRoot root, const QString& key, const QString& name,
                               const QString& text) override;
    RegistryStatus writeDword(RegistryRoot root, const QString& key, const QString& name,
                              quint32 value) override;

private:
    QString directory(RegistryRoot root) const;
    // Applies a change under the directory lock; `change` returns Ok and sets `changed` when
    // the file must be rewritten.
    RegistryStatus
    modify(RegistryRoot root,
           const std::function<RegistryStatus(RegistryHive&, bool& changed)>& change);
    RegistryStatus writeValue(RegistryRoot root, const QString& key, const QString& name,
                              bool isDword, const QString& text, quint32 dword);

    bool m_followDefaults = true;
    QString m_currentUserDir;
    QString m_localMachineDir;
};

} // namespace kvt
