#pragma once

#include <filesystem>

// The user's home folder: $HOME when it is an absolute path other than the
// file system's root, else the one the user account names (none on
// Windows). Empty when there is none.
std::filesystem::path HomeFolder();
