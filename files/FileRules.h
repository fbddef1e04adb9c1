#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <system_error>

// How the program treats every file of its own, in one place for every
// folder (plain C++, so that the journal and the door link follow it as the
// windows do):
// - It writes or creates only a regular file of the running user's own, in
//   a folder of the user's own; a symbolic link is followed only to such a
//   file. Another user's file or folder stays untouched, also for root.
// - It reads only a regular file, looked at before it is opened and opened
//   so that a fifo or a device swapped in meanwhile never blocks, and no
//   more of it than a bound.
// On Windows files have no owner in this sense, and that check passes.
//
// Why a file is refused is a German phrase that follows the file's name in
// a sentence („…“ – die Datei gehört einem anderen Benutzer); FileSentence()
// makes one a sentence of its own.

// A place for a file, as checked.
struct FilePlace {
    // The file's place with every symbolic link resolved: what to open or
    // hand to a library. Empty when refused.
    std::filesystem::path path;
    // A file is there now.
    bool exists = false;
    // Why the place is refused; empty when it may be used.
    std::string problem;
};

// Whether a symbolic link in the file's own place may be followed.
enum class LinkInPlace { Follow, Refuse };

// Where the program may write or create the file: nothing there yet, or a
// regular file of the user's own; and its folder is the user's own too. The
// folder must exist.
FilePlace PlaceToWrite(const std::filesystem::path &file, LinkInPlace link = LinkInPlace::Follow);

// Where a library may open the file for reading without hanging: nothing
// there (exists false, no problem), or a regular file of any owner.
FilePlace PlaceToRead(const std::filesystem::path &file, LinkInPlace link = LinkInPlace::Follow);

// A regular file's content, at most `most` bytes; a larger one is refused.
struct FileContent {
    bool exists = false;
    std::string bytes;
    std::string problem;
};
FileContent ReadRegularFile(const std::filesystem::path &file, std::size_t most);

// The phrases, also for code that checks on its own.
std::string NotRegularFileProblem();
std::string ForeignFileProblem();
std::string ForeignFolderProblem();
std::string TooLargeFileProblem(std::size_t most);
// An error of the system: "keine Berechtigung".
std::string SystemProblem(const std::error_code &error);
// "Die Datei gehört einem anderen Benutzer."
std::string FileSentence(const std::string &problem);
