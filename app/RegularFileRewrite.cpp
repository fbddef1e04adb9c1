#include "app/RegularFileRewrite.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool CannotSwap()
{
    // The file system (or the kernel) has no atomic exchange.
    return errno == EINVAL || errno == ENOSYS;
}

// A new file beside target holding content, with the permissions and owner of
// the file it is to replace (or private to the user for a new one). Empty on
// failure.
QByteArray WriteBeside(const QByteArray &target, const QByteArray &content, const struct stat *old)
{
    QByteArray name = target + ".XXXXXX";
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return {};
    QFile out;
    bool written = out.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle) && out.write(content) == content.size()
                   && out.flush();
    out.close();
    if (old) {
        written = written && fchmod(fd, old->st_mode & 07777) == 0;
        // Root rewriting a user's file must leave it the user's.
        if (geteuid() == 0)
            written = written && fchown(fd, old->st_uid, old->st_gid) == 0;
    }
    written = written && fsync(fd) == 0;
    written = close(fd) == 0 && written;
    if (!written) {
        unlink(name.constData());
        return {};
    }
    return name;
}

// Moves the new file into a place where nothing was: never over something
// that has appeared there since.
bool Create(const QByteArray &fresh, const QByteArray &target)
{
    if (renameat2(AT_FDCWD, fresh.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    const bool linked = CannotSwap() && link(fresh.constData(), target.constData()) == 0;
    unlink(fresh.constData());
    return linked;
}

// Swaps the new file with the regular file old that target was found to be,
// then checks what came out: when something else had taken the place in the
// meantime, it is swapped back untouched and the new file dropped.
bool Replace(const QByteArray &fresh, const QByteArray &target, const struct stat &old)
{
    if (renameat2(AT_FDCWD, fresh.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) != 0) {
        struct stat now {};
        // Without the exchange, check as late as possible before the rename.
        const bool placed = CannotSwap() && lstat(target.constData(), &now) == 0 && SameFile(now, old)
                            && rename(fresh.constData(), target.constData()) == 0;
        if (!placed)
            unlink(fresh.constData());
        return placed;
    }
    struct stat out {};
    const bool replaced = lstat(fresh.constData(), &out) == 0 && SameFile(out, old);
    // Should swapping back fail, the stranger stays under the new file's
    // name rather than be removed.
    if (!replaced
        && renameat2(AT_FDCWD, fresh.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) != 0)
        return false;
    unlink(fresh.constData());
    return replaced;
}

// Opens the regular file at target for reading, checked on the open file
// itself to be the one lstat saw.
bool OpenRegular(const QByteArray &target, const struct stat &seen, QFile &file)
{
    const int fd = open(target.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat opened {};
    if (fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && SameFile(opened, seen)
        && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    close(fd);
    return false;
}

} // namespace

bool RewriteRegularFile(const QString &path, const std::function<QByteArray(const QByteArray &)> &edit)
{
    QByteArray target = QFile::encodeName(path);
    struct stat seen {};
    if (lstat(target.constData(), &seen) != 0) {
        if (errno != ENOENT)
            return false;
        const QByteArray fresh = WriteBeside(target, edit({}), nullptr);
        return !fresh.isEmpty() && Create(fresh, target);
    }
    if (S_ISLNK(seen.st_mode)) {
        char *resolved = realpath(target.constData(), nullptr);
        if (!resolved)
            return false;
        target = resolved;
        std::free(resolved);
        if (lstat(target.constData(), &seen) != 0)
            return false;
    }
    // Held open until it has been replaced, so that its inode number cannot
    // pass to a stranger in the meantime.
    QFile current;
    if (!S_ISREG(seen.st_mode) || !OpenRegular(target, seen, current))
        return false;
    const QByteArray content = current.readAll();
    if (current.error() != QFileDevice::NoError)
        return false;
    const QByteArray fresh = WriteBeside(target, edit(content), &seen);
    return !fresh.isEmpty() && Replace(fresh, target, seen);
}
