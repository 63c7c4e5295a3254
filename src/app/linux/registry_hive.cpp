#include "app/linux/registry_hive.h"

namespace kvt {

namespace {

bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

} // namespace

const RegistryValueEntry* RegistryKeyEntry::value(const QString& name) const {
    const QString folded = name.toCaseFolded();
    for (const RegistryValueEntry& entry : values)
        if (entry.name.toCaseFolded() == folded)
            return &entry;
    return nullptr;
}

void RegistryKeyEntry::setValue(const RegistryValueEntry& entry) {
    const QString folded = entry.name.toCaseFolded();
    for (RegistryValueEntry& existing : values) {
        if (existing.name.toCaseFolded() == folded) {
            const QString spelling = existing.name;
            existing = entry;
            existing.name = spelling;
            return;
        }
    }
    values.append(entry);
}

std::optional<QString> RegistryHive::normalizedPath(const QString& path) {
    QString result = path;
    if (result.endsWith(QLatin1Char('\\')))
        result.chop(1);
    if (result.isEmpty())
        return std::nullopt;
    qsizetype depth = 1;
    qsizetype componentLength = 0;
    for (QChar c : result) {
        if (c == u'\\') {
            if (componentLength == 0 || ++depth > kMaxKeyDepth)
                return std::nullopt;
            componentLength = 0;
        } else if (isControl(c) || ++componentLength > kMaxKeyComponent) {
            return std::nullopt;
        }
    }
    if (componentLength == 0)
        return std::nullopt;
    return result;
}

bool RegistryHive::validValueName(const QString& name) {
    return name.size() <= kMaxValueName;
}

bool RegistryHive::keyExists(const QString& path) const {
    const QString folded = path.toCaseFolded();
    if (m_keys.contains(folded))
        return true;
    // Descendants of the key sort together right after folded + "\".
    const QString prefix = folded + QLatin1Char('\\');
    const auto it = m_keys.lowerBound(prefix);
    return it != m_keys.constEnd() && it.key().startsWith(prefix);
}

const RegistryKeyEntry* RegistryHive::key(const QString& path) const {
    const auto it = m_keys.constFind(path.toCaseFolded());
    return it == m_keys.constEnd() ? nullptr : &it.value();
}

RegistryKeyEntry& RegistryHive::materialize(const QString& path) {
    const QString folded = path.toCaseFolded();
    auto it = m_keys.find(folded);
    if (it == m_keys.end())
        it = m_keys.insert(folded, RegistryKeyEntry{path, {}});
    return it.value();
}

} // namespace kvt
