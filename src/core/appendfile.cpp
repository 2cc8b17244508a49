#include "core/appendfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
AppendOpen fail(AppendOpen result, int error, QString* reason)
{
    if (reason)
        *reason = QString::fromLocal8Bit(std::strerror(error));
    return result;
}
} // namespace

AppendOpen openForAppend(QFile& file, const QString& path, QString* reason)
{
    file.close();
    file.setFileName(path);
    // O_NONBLOCK keeps a planted FIFO from stalling the open; only regular files are kept.
    const int fd =
        ::open(QFile::encodeName(path).constData(),
               O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        struct stat info = {};
        // A link (ELOOP), or a FIFO without a reader (ENXIO), or any other thing that is
        // there but is no regular file.
        const bool planted =
            error == ELOOP ||
            (::lstat(QFile::encodeName(path).constData(), &info) == 0 && !S_ISREG(info.st_mode));
        return fail(planted ? AppendOpen::Refused : AppendOpen::Failed, error, reason);
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(AppendOpen::Refused, EINVAL, reason);
    }
    ::fcntl(fd, F_SETFL, O_APPEND);
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(AppendOpen::Failed, EIO, reason);
    }
    return AppendOpen::Opened;
}
