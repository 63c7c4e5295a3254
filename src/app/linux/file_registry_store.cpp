#include "app/linux/file_registry_store.h"

#include "app/linux/regedit_text.h"
#include "app/linux/registry_hive.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvt {

namespace {

QString rootDirOverride[2];

int rootSlot(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? 0 : 1;
}

struct LoadedHive {
    RegistryStatus status = RegistryStatus::Ok;
    RegistryHive hive;
    bool corrupt = false; // the file exists but is not in the text form
};

// Closes a descriptor when it leaves scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

LoadedHive loadHive(const QString& path) {
    LoadedHive loaded;
    // O_NONBLOCK: a FIFO put in the file's place must not stall the window.
    Descriptor fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        if (errno != ENOENT)
            loaded.status = RegistryStatus::AccessDenied;
        return loaded;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        loaded.status = RegistryStatus::AccessDenied;
        return loaded;
    }
    if (info.st_size > kMaxRegeditTextSize) {
        loaded.corrupt = true;
        return loaded;
    }
    QByteArray bytes;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            loaded.status = RegistryStatus::AccessDenied;
            return loaded;
        }
        if (count == 0)
            break;
        bytes.append(buffer, count);
        if (bytes.size() > kMaxRegeditTextSize)
            break; // grew while being read; not ours
    }
    std::optional<RegistryHive> hive = parseRegeditText(bytes);
    if (hive)
        loaded.hive = std::move(*hive);
    else
        loaded.corrupt = true;
    return loaded;
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += count;
    }
    return true;
}

QString corruptCopyPath(const QString& path) {
    const QString base = path + QStringLiteral(".corrupt-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString candidate = base;
    for (int n = 1; QFileInfo::exists(candidate); ++n)
        candidate = base + QLatin1Char('-') + QString::number(n);
    return candidate;
}

// Writes the new text beside the file and renames it into place. When `keepOld` is set the
// old file is first renamed to a .corrupt copy, so its content is never lost.
bool replaceFile(int dirFd, const QString& path, const QByteArray& bytes, bool keepOld) {
    QByteArray tempName = QFile::encodeName(path) + ".tmp-XXXXXX";
    Descriptor fd(::mkostemp(tempName.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return false;
    const auto discard = [&] {
        ::unlink(tempName.constData());
    };
    if (::fchmod(fd.get(), S_IRUSR | S_IWUSR) != 0 || !writeAll(fd.get(), bytes) ||
        ::fsync(fd.get()) != 0 || ::close(fd.release()) != 0) {
        discard();
        return false;
    }
    const QByteArray target = QFile::encodeName(path);
    if (keepOld && ::access(target.constData(), F_OK) == 0 &&
        ::rename(target.constData(), QFile::encodeName(corruptCopyPath(path)).constData()) != 0) {
        discard();
        return false;
    }
    if (::rename(tempName.constData(), target.constData()) != 0) {
        discard();
        return false;
    }
    ::fsync(dirFd); // the rename itself reaches the disk
    return true;
}

bool ensureDirectory(const QString& dir) {
    if (QFileInfo(dir).isDir())
        return true;
    if (!QDir().mkpath(dir))
        return false;
    // Only we read and write the directory we created; its files hold a password.
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

} // namespace

QString registryRootDirectory(RegistryRoot root) {
    const QString& set = rootDirOverride[rootSlot(root)];
    if (!set.isEmpty())
        return set;
    const QString env =
        qEnvironmentVariable(root == RegistryRoot::CurrentUser ? "KVT_HKCU_DIR" : "KVT_HKLM_DIR");
    if (!env.isEmpty())
        return env;
    if (root == RegistryRoot::CurrentUser)
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
               QStringLiteral("/kvt-client");
    return QStringLiteral("/var/lib/kvt-client");
}

void setRegistryRootDirectories(const QString& currentUserDir, const QString& localMachineDir) {
    rootDirOverride[0] = currentUserDir;
    rootDirOverride[1] = localMachineDir;
}

QString registryFileName(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? QStringLiteral("hkcu.reg")
                                             : QStringLiteral("hklm.reg");
}

RegistryStore& platformRegistryStore() {
    static FileRegistryStore store;
    return store;
}

FileRegistryStore::FileRegistryStore() = default;

FileRegistryStore::FileRegistryStore(const QString& currentUserDir, const QString& localMachineDir)
    : m_followDefaults(false), m_currentUserDir(currentUserDir),
      m_localMachineDir(localMachineDir) {}

QString FileRegistryStore::directory(RegistryRoot root) const {
    if (m_followDefaults)
        return registryRootDirectory(root);
    return root == RegistryRoot::CurrentUser ? m_currentUserDir : m_localMachineDir;
}

QString FileRegistryStore::filePath(RegistryRoot root) const {
    return directory(root) + QLatin1Char('/') + registryFileName(root);
}

bool FileRegistryStore::keyExists(RegistryRoot root, const QString& key) {
    const std::optional<QString> path = RegistryHive::normalizedPath(key);
    if (!path)
        return false;
    const LoadedHive loaded = loadHive(filePath(root));
    return loaded.status == RegistryStatus::Ok && loaded.hive.keyExists(*path);
}

RegistryStatus FileRegistryStore::createKey(RegistryRoot root, const QString& key) {
    const std::optional<QString> path = RegistryHive::normalizedPath(key);
    if (!path)
        return RegistryStatus::InvalidPath;
    {
        // Opening an existing key must not rewrite the file.
        const LoadedHive loaded = loadHive(filePath(root));
        if (loaded.status != RegistryStatus::Ok)
            return loaded.status;
        if (loaded.hive.keyExists(*path))
            return RegistryStatus::Ok;
    }
    return modify(root, [&](RegistryHive& hive, bool& changed) {
        if (!hive.keyExists(*path)) {
            hive.materialize(*path);
            changed = true;
        }
        return RegistryStatus::Ok;
    });
}

bool FileRegistryStore::valueExists(RegistryRoot root, const QString& key, const QString& name) {
    const std::optional<QString> path = RegistryHive::normalizedPath(key);
    if (!path)
        return false;
    const LoadedHive loaded = loadHive(filePath(root));
    const RegistryKeyEntry* entry = loaded.hive.key(*path);
    return loaded.status == RegistryStatus::Ok && entry && entry->value(name);
}

namespace {

// The value of a read, or the status that explains why there is none.
RegistryStatus findValue(const QString& file, const QString& key, const QString& name,
                         LoadedHive& loaded, const RegistryValueEntry*& value) {
    value = nullptr;
    const std::optional<QString> path = RegistryHive::normalizedPath(key);
    if (!path)
        return RegistryStatus::InvalidPath;
    loaded = loadHive(file);
    if (loaded.status != RegistryStatus::Ok)
        return loaded.status;
    if (!loaded.hive.keyExists(*path))
        return RegistryStatus::KeyNotFound;
    const RegistryKeyEntry* entry = loaded.hive.key(*path);
    value = entry ? entry->value(name) : nullptr;
    return value ? RegistryStatus::Ok : RegistryStatus::ValueNotFound;
}

} // namespace

RegistryRead<QString> FileRegistryStore::readString(RegistryRoot root, const QString& key,
                                                    const QString& name) {
    LoadedHive loaded;
    const RegistryValueEntry* value = nullptr;
    RegistryRead<QString> result;
    result.status = findValue(filePath(root), key, name, loaded, value);
    if (value && value->isDword)
        result.status = RegistryStatus::WrongType;
    else if (value)
        result.value = value->text;
    return result;
}

RegistryRead<quint32> FileRegistryStore::readDword(RegistryRoot root, const QString& key,
                                                   const QString& name) {
    LoadedHive loaded;
    const RegistryValueEntry* value = nullptr;
    RegistryRead<quint32> result;
    result.status = findValue(filePath(root), key, name, loaded, value);
    if (value && !value->isDword)
        result.status = RegistryStatus::WrongType;
    else if (value)
        result.value = value->dword;
    return result;
}

RegistryStatus FileRegistryStore::writeString(RegistryRoot root, const QString& key,
                                              const QString& name, const QString& text) {
    return writeValue(root, key, name, false, text, 0);
}

RegistryStatus FileRegistryStore::writeDword(RegistryRoot root, const QString& key,
                                             const QString& name, quint32 value) {
    return writeValue(root, key, name, true, QString(), value);
}

RegistryStatus FileRegistryStore::writeValue(RegistryRoot root, const QString& key,
                                             const QString& name, bool isDword, const QString& text,
                                             quint32 dword) {
    const std::optional<QString> path = RegistryHive::normalizedPath(key);
    if (!path)
        return RegistryStatus::InvalidPath;
    if (!RegistryHive::validValueName(name))
        return RegistryStatus::WriteFailed;
    return modify(root, [&](RegistryHive& hive, bool& changed) {
        if (!hive.keyExists(*path))
            return RegistryStatus::KeyNotFound;
        hive.materialize(*path).setValue(RegistryValueEntry{name, isDword, text, dword});
        changed = true;
        return RegistryStatus::Ok;
    });
}

RegistryStatus
FileRegistryStore::modify(RegistryRoot root,
                          const std::function<RegistryStatus(RegistryHive&, bool&)>& change) {
    const QString dir = directory(root);
    if (!ensureDirectory(dir))
        return RegistryStatus::WriteFailed;
    Descriptor dirFd(
        ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() < 0)
        return RegistryStatus::WriteFailed;
    // Two clients (or a client and its settings dialog in another process) must not lose each
    // other's changes between reading and renaming; the lock ends with the descriptor.
    while (::flock(dirFd.get(), LOCK_EX) != 0)
        if (errno != EINTR)
            return RegistryStatus::WriteFailed;

    const QString path = filePath(root);
    LoadedHive loaded = loadHive(path);
    if (loaded.status != RegistryStatus::Ok)
        return loaded.status;
    bool changed = false;
    const RegistryStatus status = change(loaded.hive, changed);
    if (status != RegistryStatus::Ok || !changed)
        return status;
    const QByteArray bytes = regeditText(loaded.hive);
    if (bytes.size() > kMaxRegeditTextSize)
        return RegistryStatus::WriteFailed;
    return replaceFile(dirFd.get(), path, bytes, loaded.corrupt) ? RegistryStatus::Ok
                                                                 : RegistryStatus::WriteFailed;
}

} // namespace kvt
