#pragma once

#include "link/DoorMessages.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

// The door's state file in the data folder, written on a thread of its own:
// Save() returns at once, the newest record wins over those not yet written,
// and each write replaces the file whole, so that a power cut leaves the old
// one or the new one.
class DoorStateFile {
public:
    // writing: told on the writer thread when writing fails (problem says
    // why, as a phrase to follow the file's name) and when it works again.
    // The file is written only as the program's own (files/FileRules.h).
    DoorStateFile(std::filesystem::path file,
                  std::function<void(bool writing, const std::string &problem)> writing);
    // Stops with the default wait.
    ~DoorStateFile();
    DoorStateFile(const DoorStateFile &) = delete;
    DoorStateFile &operator=(const DoorStateFile &) = delete;

    // Empty when there is no file or it holds no door's state. problem says
    // why a file there is refused: no regular file, larger than 1 MB, or
    // totals beyond the range of the count.
    static std::optional<DoorStateRecord> Load(const std::filesystem::path &file, std::string &problem);

    void Save(DoorStateRecord record);
    // Writes the newest record and ends the thread, waiting until `deadline`
    // at most; nothing is told after it returns. True when it was written.
    bool Stop(std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::now() +
                                                              std::chrono::seconds(2));

private:
    struct Shared;
    static void Run(const std::shared_ptr<Shared> &shared);

    // The thread keeps its own share, so that it may outlive a Stop() that
    // stopped waiting for it.
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};
