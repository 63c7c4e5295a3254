#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace kvt {

// One value of a key: a string or a 32-bit number. An empty name is the key's default value.
struct RegistryValueEntry {
    QString name;
    bool isDword = false;
    QString text;      // when !isDword
    quint32 dword = 0; // when isDword
    bool operator==(const RegistryValueEntry&) const = default;
};

// One key: its path as first spelled and its values in the order they were first written.
struct RegistryKeyEntry {
    QString path;
    QList<RegistryValueEntry> values;

    const RegistryValueEntry* value(const QString& name) const;
    // Replaces the value of the same name (compared case-insensitively, keeping the first
    // spelling and position) or appends it.
    void setValue(const RegistryValueEntry& entry);
    bool operator==(const RegistryKeyEntry&) const = default;
};

// The in-memory form of one root: the keys that were created or hold values, by full path.
// A key's parents exist implicitly, as they do in the registry, without entries of their own.
class RegistryHive {
public:
    // Longest key name component, deepest key and longest value name the registry accepts.
    static constexpr qsizetype kMaxKeyComponent = 255;
    static constexpr qsizetype kMaxKeyDepth = 512;
    static constexpr qsizetype kMaxValueName = 16383;

    // The path with one trailing "\" dropped, or nothing when it is not a valid key path
    // (empty, an empty component, a control character, a component or depth over the limit).
    static std::optional<QString> normalizedPath(const QString& path);
    static bool validValueName(const QString& name);

    // Lookups take a normalized path and ignore letter case.
    bool keyExists(const QString& path) const;
    // The key's own entry; nullptr for a key that does not exist or exists only as a parent.
    const RegistryKeyEntry* key(const QString& path) const;
    // The key's own entry, added (with the given spelling) when it has none yet.
    RegistryKeyEntry& materialize(const QString& path);

    // Keys ordered by their case-folded path.
    const QMap<QString, RegistryKeyEntry>& keys() const { return m_keys; }
    bool operator==(const RegistryHive&) const = default;

private:
    QMap<QString, RegistryKeyEntry> m_keys; // by case-folded path
};

} // namespace kvt
