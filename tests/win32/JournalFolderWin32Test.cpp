#include "journal/JournalPath.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

// The journal's folder under %LOCALAPPDATA% is made from the drive on: "C:"
// alone is no folder, and must not stop the rest.
TEST(JournalFolderWin32, IsMadeBelowADriveWithMixedSeparators)
{
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::filesystem::path base = std::filesystem::path(temp) / L"pontra-journal-folder";
    std::filesystem::remove_all(base);
    // As Qt hands it over: forward slashes up to the base, backslashes after.
    const std::filesystem::path folder = std::filesystem::path(base.generic_wstring()) / L"Vendaro\\pontra";
    ASSERT_TRUE(folder.has_root_name());
    std::error_code error;
    EXPECT_TRUE(MakePrivateFolders(folder, error)) << error.message();
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    // Made already: still fine.
    EXPECT_TRUE(MakePrivateFolders(folder, error)) << error.message();
    std::filesystem::remove_all(base);
}
