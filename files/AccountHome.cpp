#include "files/AccountHome.h"

#include <cstdlib>
#include <vector>

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

bool Usable(const std::filesystem::path &folder)
{
    return folder.is_absolute() && folder != folder.root_path();
}

// The home folder the user account names, whatever $HOME says.
std::filesystem::path AccountHome()
{
#ifdef _WIN32
    return {};
#else
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry {};
    passwd *found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir)
        return {};
    return found->pw_dir;
#endif
}

} // namespace

std::filesystem::path HomeFolder()
{
    const char *home = std::getenv("HOME");
    if (home && Usable(std::filesystem::path(home).lexically_normal()))
        return std::filesystem::path(home).lexically_normal();
    const std::filesystem::path account = AccountHome().lexically_normal();
    return Usable(account) ? account : std::filesystem::path();
}
