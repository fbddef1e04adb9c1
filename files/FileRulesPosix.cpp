#include "files/FileRules.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::error_code LastError()
{
    return {errno, std::generic_category()};
}

FilePlace Refused(std::string problem)
{
    FilePlace place;
    place.problem = std::move(problem);
    return place;
}

// Every symbolic link in a path resolved; empty when one leads nowhere.
std::filesystem::path Resolved(const std::filesystem::path &path)
{
    char *resolved = realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::filesystem::path result(resolved);
    std::free(resolved);
    return result;
}

// The file's place with its folder's links resolved, and what is there: a
// link at the place itself followed when allowed. Empty path on refusal.
FilePlace Locate(const std::filesystem::path &file, LinkInPlace link, struct stat &seen)
{
    const std::filesystem::path absolute = file.is_absolute() ? file : std::filesystem::current_path() / file;
    FilePlace place;
    if (lstat(absolute.c_str(), &seen) != 0) {
        if (errno != ENOENT)
            return Refused(SystemProblem(LastError()));
        const std::filesystem::path folder = Resolved(absolute.parent_path());
        if (folder.empty()) {
            // Without its folder there is no file, which a writer finds.
            if (errno != ENOENT)
                return Refused(SystemProblem(LastError()));
            place.path = absolute;
            return place;
        }
        place.path = folder / absolute.filename();
        // A name that appeared in the resolved folder meanwhile is looked at again.
        if (lstat(place.path.c_str(), &seen) != 0)
            return errno == ENOENT ? place : Refused(SystemProblem(LastError()));
    } else {
        place.path = Resolved(absolute);
        if (place.path.empty() || (S_ISLNK(seen.st_mode) && link == LinkInPlace::Refuse))
            return Refused(NotRegularFileProblem());
        if (lstat(place.path.c_str(), &seen) != 0)
            return Refused(SystemProblem(LastError()));
    }
    place.exists = true;
    if (!S_ISREG(seen.st_mode))
        return Refused(NotRegularFileProblem());
    return place;
}

// Opens the regular file lstat saw, never blocking and never through a link;
// -1 with problem set when something else is there now.
int OpenSeen(const std::filesystem::path &path, const struct stat &seen, std::string &problem)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        problem = errno == ELOOP ? NotRegularFileProblem() : SystemProblem(LastError());
        return -1;
    }
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != seen.st_dev
        || opened.st_ino != seen.st_ino) {
        close(fd);
        problem = NotRegularFileProblem();
        return -1;
    }
    return fd;
}

} // namespace

FilePlace PlaceToWrite(const std::filesystem::path &file, LinkInPlace link)
{
    struct stat seen {};
    FilePlace place = Locate(file, link, seen);
    if (!place.problem.empty())
        return place;
    if (place.exists) {
        // The owner as the open file has it, which is the one written.
        const int fd = OpenSeen(place.path, seen, place.problem);
        if (fd < 0)
            return Refused(place.problem);
        const bool foreign = fstat(fd, &seen) != 0 || seen.st_uid != geteuid();
        close(fd);
        if (foreign)
            return Refused(ForeignFileProblem());
    }
    struct stat folder {};
    if (stat(place.path.parent_path().c_str(), &folder) != 0)
        return Refused(SystemProblem(LastError()));
    if (folder.st_uid != geteuid())
        return Refused(ForeignFolderProblem());
    return place;
}

FilePlace PlaceToRead(const std::filesystem::path &file, LinkInPlace link)
{
    struct stat seen {};
    FilePlace place = Locate(file, link, seen);
    if (!place.problem.empty() || !place.exists)
        return place;
    const int fd = OpenSeen(place.path, seen, place.problem);
    if (fd < 0)
        return Refused(place.problem);
    close(fd);
    return place;
}

FileContent ReadRegularFile(const std::filesystem::path &file, std::size_t most)
{
    FileContent content;
    struct stat seen {};
    const FilePlace place = Locate(file, LinkInPlace::Follow, seen);
    content.exists = place.exists;
    content.problem = place.problem;
    if (!content.problem.empty() || !place.exists)
        return content;
    const int fd = OpenSeen(place.path, seen, content.problem);
    if (fd < 0)
        return content;
    // A file that grows while it is read stops at the bound all the same.
    char buffer[8192];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            content.problem = SystemProblem(LastError());
            break;
        }
        if (got == 0)
            break;
        if (content.bytes.size() + static_cast<std::size_t>(got) > most) {
            content.problem = TooLargeFileProblem(most);
            break;
        }
        content.bytes.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    if (!content.problem.empty())
        content.bytes.clear();
    return content;
}
