#include "vpn/linux/private_file.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kvt {

namespace {

bool fail(QString* error, const QString& what) {
    if (error)
        *error = what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

} // namespace

bool WritePrivateFile(const QString& path, const QByteArray& contents, QString* error) {
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temporary = target + ".tmp" + QByteArray::number(qint64(::getpid()));
    ::unlink(temporary.constData());
    const int fd =
        ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return fail(error, QStringLiteral("cannot create %1").arg(path));
    qsizetype written = 0;
    while (written < contents.size()) {
        const ssize_t n = ::write(fd, contents.constData() + written, contents.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int saved = errno;
            ::close(fd);
            ::unlink(temporary.constData());
            errno = saved;
            return fail(error, QStringLiteral("cannot write %1").arg(path));
        }
        written += n;
    }
    // Not synced to disk: the files live for one dial, and after a crash nothing needs them.
    if (::close(fd) != 0) {
        const int saved = errno;
        ::unlink(temporary.constData());
        errno = saved;
        return fail(error, QStringLiteral("cannot write %1").arg(path));
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int saved = errno;
        ::unlink(temporary.constData());
        errno = saved;
        return fail(error, QStringLiteral("cannot store %1").arg(path));
    }
    return true;
}

bool MakePrivateDir(const QString& path, QString* error) {
    if (!QDir().mkpath(path))
        return fail(error, QStringLiteral("cannot create the folder %1").arg(path));
    if (::chmod(QFile::encodeName(path).constData(), 0700) != 0)
        return fail(error, QStringLiteral("cannot restrict the folder %1").arg(path));
    return true;
}

} // namespace kvt
