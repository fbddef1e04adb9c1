#include "settings/RegularFileRewrite.h"

#include "files/FileRules.h"

#include <QFile>

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// The new content is written to "<file>.XXXXXX.tmp" beside the file.
constexpr QByteArrayView kTemporarySuffix(".tmp");
constexpr int kTemporaryRandom = 6;

const QString kForeignFile = QString::fromStdString(FileSentence(ForeignFileProblem()));
const QString kForeignFolder = QString::fromStdString(FileSentence(ForeignFolderProblem()));
const QString kHardLinks =
    QStringLiteral("Die Datei hat weitere harte Verknüpfungen, die beim Ersetzen abgetrennt würden.");

// Sets reason to the system's words for the last error; false, to return.
bool SystemError(QString &reason)
{
    reason = qt_error_string(errno);
    return false;
}

bool SameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool CannotSwap()
{
    // The file system (or the kernel) has no atomic exchange.
    return errno == EINVAL || errno == ENOSYS;
}

QByteArray FolderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.first(slash);
}

// A lock on a folder, taken shared by every rewrite and exclusively by the
// removal of stale temporary files, so that the file a rewrite is writing
// is never taken for one. Released when closed, also by a killed process.
class FolderLock {
public:
    FolderLock(const QByteArray &folder, int operation)
        : fd_(open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        held_ = fd_ >= 0 && flock(fd_, operation) == 0;
    }
    ~FolderLock()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    bool Held() const { return held_; }
    int Fd() const { return fd_; }

private:
    int fd_;
    bool held_ = false;
};

bool OwnFolder(const QByteArray &folder, QString &reason)
{
    struct stat node {};
    if (stat(folder.constData(), &node) != 0)
        return SystemError(reason);
    if (node.st_uid != geteuid()) {
        reason = kForeignFolder;
        return false;
    }
    return true;
}

// Copies every extended attribute (access control lists among them).
bool CopyAttributes(int from, int to, QString &reason)
{
    ssize_t size = flistxattr(from, nullptr, 0);
    if (size < 0)
        return errno == ENOTSUP || SystemError(reason);
    QByteArray names(size, '\0');
    size = flistxattr(from, names.data(), names.size());
    if (size < 0)
        return SystemError(reason);
    for (const QByteArray &name : names.first(size).split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t length = fgetxattr(from, name.constData(), nullptr, 0);
        QByteArray value(qMax<ssize_t>(length, 0), '\0');
        if (length < 0 || fgetxattr(from, name.constData(), value.data(), value.size()) != length
            || fsetxattr(to, name.constData(), value.constData(), value.size(), 0) != 0)
            return SystemError(reason);
    }
    return true;
}

// A file's content, read into memory in huge pages where the system has
// them: fresh memory taken page by page made reading a large file cost
// several times writing it anew.
class FileContent {
public:
    FileContent() = default;
    FileContent(const FileContent &) = delete;
    FileContent &operator=(const FileContent &) = delete;
    ~FileContent()
    {
        if (capacity_ > 0)
            munmap(data_, capacity_);
    }

    // Reads from fd to its end, which may lie past the size fstat gave.
    bool Read(int fd, QString &reason)
    {
        struct stat node {};
        if (fstat(fd, &node) != 0)
            return SystemError(reason);
        if (!Reserve(static_cast<std::size_t>(node.st_size) + 1, reason))
            return false;
        while (true) {
            if (size_ == capacity_ && !Reserve(capacity_ * 2, reason))
                return false;
            const ssize_t got = read(fd, data_ + size_, capacity_ - size_);
            if (got < 0 && errno != EINTR)
                return SystemError(reason);
            if (got == 0)
                return true;
            size_ += static_cast<std::size_t>(std::max<ssize_t>(got, 0));
        }
    }

    QByteArrayView View() const { return QByteArrayView(data_, static_cast<qsizetype>(size_)); }

private:
    bool Reserve(std::size_t capacity, QString &reason)
    {
        constexpr std::size_t kHugePage = 2 << 20;
        capacity = (capacity + kHugePage - 1) / kHugePage * kHugePage;
        void *data = capacity_ == 0
                         ? mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                         : mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
        if (data == MAP_FAILED)
            return SystemError(reason);
        // Only advice: without huge pages the content is read all the same.
        madvise(data, capacity, MADV_HUGEPAGE);
        data_ = static_cast<char *>(data);
        capacity_ = capacity;
        return true;
    }

    char *data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

bool WriteAll(int fd, QByteArrayView content, QString &reason)
{
    while (!content.isEmpty()) {
        const ssize_t written = write(fd, content.data(), content.size());
        if (written < 0 && errno != EINTR)
            return SystemError(reason);
        content = content.sliced(qMax<ssize_t>(written, 0));
    }
    return true;
}

// A new file beside target holding what edit makes of current, with the
// owner, group, permissions and extended attributes of the open file old is
// to replace (or private to the user for a new one). Empty on failure.
QByteArray WriteBeside(const QByteArray &target, const RewriteEdit &edit, QByteArrayView current, const QFile *old,
                       QString &reason)
{
    QByteArray name = target + '.' + QByteArray(kTemporaryRandom, 'X') + kTemporarySuffix.toByteArray();
    const int fd = mkostemps(name.data(), int(kTemporarySuffix.size()), O_CLOEXEC);
    if (fd < 0) {
        SystemError(reason);
        return {};
    }
    bool written = true;
    edit(current, [&](QByteArrayView piece) { written = written && WriteAll(fd, piece, reason); });
    if (written && old) {
        struct stat was {};
        // Owner and group first: changing them clears the set-user-ID and
        // set-group-ID bits, which the mode then restores.
        written = (fstat(old->handle(), &was) == 0 && fchown(fd, was.st_uid, was.st_gid) == 0
                   && fchmod(fd, was.st_mode & 07777) == 0)
                  || SystemError(reason);
        written = written && CopyAttributes(old->handle(), fd, reason);
    }
    written = written && (fsync(fd) == 0 || SystemError(reason));
    written = (close(fd) == 0 || SystemError(reason)) && written;
    if (!written) {
        unlink(name.constData());
        return {};
    }
    return name;
}

// Moves the new file into a place where nothing was: never over something
// that has appeared there since.
bool Create(const QByteArray &fresh, const QByteArray &target, QString &reason)
{
    if (renameat2(AT_FDCWD, fresh.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    const bool linked = (CannotSwap() && link(fresh.constData(), target.constData()) == 0) || SystemError(reason);
    unlink(fresh.constData());
    return linked;
}

// Swaps the new file with the regular file old that target was found to be,
// then checks what came out: when something else had taken the place in the
// meantime, it is swapped back untouched and the new file dropped.
bool Replace(const QByteArray &fresh, const QByteArray &target, const struct stat &old, QString &reason)
{
    if (renameat2(AT_FDCWD, fresh.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) != 0) {
        // Without the exchange, check as late as possible before the rename.
        struct stat now {};
        bool placed = false;
        if (!CannotSwap() || lstat(target.constData(), &now) != 0)
            SystemError(reason);
        else if (!SameFile(now, old))
            reason = NotRegularFileReason();
        else
            placed = rename(fresh.constData(), target.constData()) == 0 || SystemError(reason);
        if (!placed)
            unlink(fresh.constData());
        return placed;
    }
    struct stat out {};
    const bool replaced = lstat(fresh.constData(), &out) == 0 && SameFile(out, old);
    if (!replaced)
        reason = NotRegularFileReason();
    // Should swapping back fail, the stranger stays under the new file's
    // name rather than be removed.
    if (!replaced
        && renameat2(AT_FDCWD, fresh.constData(), AT_FDCWD, target.constData(), RENAME_EXCHANGE) != 0)
        return false;
    unlink(fresh.constData());
    return replaced;
}

// Opens the regular file at target for reading, checked on the open file
// itself to be the one lstat saw, and to be one that may be replaced.
bool OpenRegular(const QByteArray &target, const struct stat &seen, QFile &file, QString &reason)
{
    const int fd = open(target.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return SystemError(reason);
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || !SameFile(opened, seen))
        reason = NotRegularFileReason();
    else if (opened.st_uid != geteuid())
        reason = kForeignFile;
    else if ((opened.st_mode & S_IWUSR) == 0)
        reason = qt_error_string(EACCES);
    else if (opened.st_nlink > 1)
        reason = kHardLinks;
    else if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        reason = file.errorString();
    else
        return true;
    close(fd);
    return false;
}

// The place a rewrite of path writes: the regular file a symbolic link
// leads to, or path itself. False when a link leads nowhere.
bool Resolve(QByteArray &target, struct stat &seen, bool &exists, QString &reason)
{
    exists = lstat(target.constData(), &seen) == 0;
    if (!exists)
        return errno == ENOENT || SystemError(reason);
    if (!S_ISLNK(seen.st_mode))
        return true;
    char *resolved = realpath(target.constData(), nullptr);
    if (!resolved) {
        reason = NotRegularFileReason();
        return false;
    }
    target = resolved;
    std::free(resolved);
    return lstat(target.constData(), &seen) == 0 || SystemError(reason);
}

bool Rewrite(QByteArray target, const RewriteEdit &edit, QString &reason)
{
    struct stat seen {};
    bool exists = false;
    if (!Resolve(target, seen, exists, reason))
        return false;
    if (exists && !S_ISREG(seen.st_mode)) {
        reason = NotRegularFileReason();
        return false;
    }
    const QByteArray folder = FolderOf(target);
    if (!OwnFolder(folder, reason))
        return false;
    // Where the lock cannot be had, the rewrite goes on without it.
    const FolderLock writing(folder, LOCK_SH);
    if (!exists) {
        const QByteArray fresh = WriteBeside(target, edit, {}, nullptr, reason);
        return !fresh.isEmpty() && Create(fresh, target, reason);
    }
    // Held open until it has been replaced, so that its inode number cannot
    // pass to a stranger in the meantime.
    QFile current;
    if (!OpenRegular(target, seen, current, reason))
        return false;
    FileContent content;
    if (!content.Read(current.handle(), reason))
        return false;
    const QByteArray fresh = WriteBeside(target, edit, content.View(), &current, reason);
    return !fresh.isEmpty() && Replace(fresh, target, seen, reason);
}

// Whether name is one of the rewrite's temporary files of base.
bool IsTemporaryOf(QByteArrayView name, QByteArrayView base)
{
    const qsizetype size = base.size() + 1 + kTemporaryRandom + kTemporarySuffix.size();
    if (name.size() != size || !name.startsWith(base) || name[base.size()] != '.' || !name.endsWith(kTemporarySuffix))
        return false;
    for (const char c : name.sliced(base.size() + 1, kTemporaryRandom)) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

} // namespace

QString NotRegularFileReason()
{
    return QString::fromStdString(FileSentence(NotRegularFileProblem()));
}

QString RewriteRegularFile(const QString &path, const RewriteEdit &edit)
{
    QString reason;
    if (Rewrite(QFile::encodeName(path), edit, reason))
        return {};
    return reason.isEmpty() ? qt_error_string(EIO) : reason;
}

void RemoveStaleRewrites(const QString &path)
{
    QByteArray target = QFile::encodeName(path);
    struct stat seen {};
    bool exists = false;
    QString reason;
    if (!Resolve(target, seen, exists, reason))
        return;
    const QByteArray folder = FolderOf(target);
    // Held by another copy of the program while it writes: nothing is stale then.
    const FolderLock tidying(folder, LOCK_EX | LOCK_NB);
    if (!tidying.Held())
        return;
    DIR *dir = fdopendir(dup(tidying.Fd()));
    if (!dir)
        return;
    const QByteArray base = target.sliced(target.lastIndexOf('/') + 1);
    while (const dirent *entry = readdir(dir)) {
        struct stat node {};
        if (IsTemporaryOf(entry->d_name, base)
            && fstatat(dirfd(dir), entry->d_name, &node, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(node.st_mode)
            && node.st_uid == geteuid())
            unlinkat(dirfd(dir), entry->d_name, 0);
    }
    closedir(dir);
}
