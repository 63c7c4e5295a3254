#include "app/registry_helper.h"

namespace kvt {

strings4::strings4() : m_store(&registryStore()) {}

strings4::strings4(RegistryStore& store) : m_store(&store) {}

void strings4::selectRoot(RegistryRoot root) {
    m_root = root;
}

bool strings4::openKey(const QString& path, bool canCreate) {
    closeKey();
    const QString relative = path.startsWith(QLatin1Char('\\')) ? path.mid(1) : path;
    const bool opened = canCreate ? m_store->createKey(m_root, relative) == RegistryStatus::Ok
                                  : m_store->keyExists(m_root, relative);
    if (opened) {
        m_keyOpen = true;
        m_keyPath = relative;
    }
    return opened;
}

void strings4::closeKey() {
    m_keyOpen = false;
    m_keyPath.clear();
}

void strings4::selectValue(const QString& name) {
    m_valueName = name;
}

bool strings4::valueExists() const {
    return m_keyOpen && m_store->valueExists(m_root, m_keyPath, m_valueName);
}

std::optional<QString> strings4::readString() const {
    if (!m_keyOpen)
        return std::nullopt;
    const RegistryRead<QString> read = m_store->readString(m_root, m_keyPath, m_valueName);
    if (read.ok())
        return read.value;
    if (read.status == RegistryStatus::ValueNotFound)
        return QString();
    return std::nullopt;
}

std::optional<bool> strings4::readBool() const {
    if (!m_keyOpen)
        return std::nullopt;
    const RegistryRead<quint32> read = m_store->readDword(m_root, m_keyPath, m_valueName);
    if (read.ok())
        return read.value != 0;
    if (read.status == RegistryStatus::ValueNotFound)
        return false;
    return std::nullopt;
}

bool strings4::writeString(const QString& text) {
    return m_keyOpen &&
           m_store->writeString(m_root, m_keyPath, m_valueName, text) == RegistryStatus::Ok;
}

bool strings4::writeBool(bool flag) {
    return m_keyOpen &&
           m_store->writeDword(m_root, m_keyPath, m_valueName, flag ? 1 : 0) == RegistryStatus::Ok;
}

} // namespace kvt
