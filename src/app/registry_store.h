#pragma once

#include <QString>
#include <QtGlobal>

namespace kvt {

// The two roots the client keeps its remembered values under.
enum class RegistryRoot { CurrentUser, LocalMachine };

// Outcome of one store operation. Reads and writes fail the way the Windows registry does:
// a missing key or value is a failure of the store (the helper object turns a missing value
// into its default), and a value of another type than the one asked for is never converted.
enum class RegistryStatus {
    Ok,
    InvalidPath,   // empty path, empty component, control character, component too long
    KeyNotFound,   // the key does not exist
    ValueNotFound, // the key exists, the value does not
    WrongType,     // a string read as a DWORD or the other way round
    AccessDenied,  // the root's storage cannot be read
    WriteFailed,   // the change could not be stored; the stored values are unchanged
};

// The value (or default-constructed T) and the status of a typed read.
template <typename T>
struct RegistryRead {
    RegistryStatus status = RegistryStatus::Ok;
    T value{};
    bool ok() const { return status == RegistryStatus::Ok; }
};

// Typed settings store with the registry's model: per root a tree of keys addressed by
// backslash paths relative to the root ("Software\vidizirevoror"), each key holding named
// values that are either strings or 32-bit numbers (DWORD). Key paths and value names compare
// case-insensitively; a key keeps the spelling it was created with, a value the spelling it
// was first written with. One trailing "\" of a path is ignored; a leading one is not (an
// empty first component makes the path invalid). The empty value name is the key's default
// value.
//
// Nothing is cached between calls: every read sees what was last stored, also by another
// store object or process. Every write is stored before it returns.
class RegistryStore {
public:
    virtual ~RegistryStore();

    virtual bool keyExists(RegistryRoot root, const QString& key) = 0;
    // Creates the key and any missing parent; Ok when it exists afterwards.
    virtual RegistryStatus createKey(RegistryRoot root, const QString& key) = 0;
    virtual bool valueExists(RegistryRoot root, const QString& key, const QString& name) = 0;

    virtual RegistryRead<QString> readString(RegistryRoot root, const QString& key,
                                             const QString& name) = 0;
    virtual RegistryRead<quint32> readDword(RegistryRoot root, const QString& key,
                                            const QString& name) = 0;

    // Writes need an existing key (KeyNotFound otherwise); a value of the other type under the
    // same name is replaced, as the registry does.
    virtual RegistryStatus writeString(RegistryRoot root, const QString& key, const QString& name,
                                       const QString& text) = 0;
    virtual RegistryStatus writeDword(RegistryRoot root, const QString& key, const QString& name,
                                      quint32 value) = 0;
};

// The process-wide store the engine uses: the file store of this platform unless a test or
// the demo has put another one in its place.
RegistryStore& registryStore();
// Replaces the process-wide store (not owned); nullptr puts the platform's file store back.
void setRegistryStore(RegistryStore* store);

// The platform's own store (defined by the platform implementation).
RegistryStore& platformRegistryStore();

} // namespace kvt
