#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Writes a report's file whole or not at all, by the program's file rules:
// only a regular file of the user's own (a link is followed to one), into a
// new file beside it that takes its place once complete, so that a failure
// leaves the file as it was. Returns why not, as a German phrase to follow
// the file's name (FileSentence makes it a sentence); empty once written.
std::string SaveReportFile(const std::filesystem::path &file, std::string_view bytes);
