#include "journal/JournalPath.h"

#include "hall/LocalTime.h"

#include <cstdio>

namespace {

bool IsAbsolute(const char *folder)
{
    return folder && *folder && std::filesystem::path(folder).is_absolute();
}

} // namespace

std::filesystem::path JournalFile(std::string_view program, const char *xdgDataHome, const char *home)
{
    std::filesystem::path data;
    if (IsAbsolute(xdgDataHome))
        data = xdgDataHome;
    else if (IsAbsolute(home))
        data = std::filesystem::path(home) / ".local" / "share";
    else
        return {};
    return data / "Vendaro" / std::filesystem::path(program) / "journal.sqlite3";
}

bool MakePrivateFolders(const std::filesystem::path &folder, std::error_code &error)
{
    error.clear();
    // From the root on: a drive ("C:") alone is no folder to look at or make.
    std::filesystem::path partial = folder.root_path();
    for (const auto &part : folder.relative_path()) {
        partial /= part;
        if (std::filesystem::is_directory(partial, error))
            continue;
        if (!std::filesystem::create_directory(partial, error)) {
            if (error)
                return false;
            continue; // made by someone else meanwhile: theirs to keep as it is
        }
        std::filesystem::permissions(partial, std::filesystem::perms::owner_all, error);
        if (error)
            return false;
    }
    return true;
}

std::string Utf8Path(const std::filesystem::path &path)
{
    const auto text = path.u8string();
    return {text.begin(), text.end()};
}

std::string LocalFileStamp(std::chrono::system_clock::time_point now)
{
    const auto local = LocalTimeAt(now);
    const std::chrono::hh_mm_ss<std::chrono::seconds> clock(local.timeOfDay);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02u%02u-%02d%02d%02d", static_cast<int>(local.date.year()),
                  static_cast<unsigned>(local.date.month()), static_cast<unsigned>(local.date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return stamp;
}
