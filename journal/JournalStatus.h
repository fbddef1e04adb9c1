#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

// The journal writer's state, as it reports it when it changes.
struct JournalStatus {
    // False while rows wait in memory because the file cannot be written.
    bool writing = true;
    // Why not, in German, to go into a sentence.
    std::string reason;
    // Where a damaged or foreign file was moved before a new one was made.
    std::filesystem::path setAside;
    // Rows waiting in memory.
    std::size_t waiting = 0;
};

// The German notice for the operator.
std::string JournalNotice(const JournalStatus &status);
