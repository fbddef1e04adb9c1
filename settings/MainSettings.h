#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class SettingsStore;

// The main window's stored values, in the order they are stored. Reading
// stops at the first value that is missing or not an integer: it and those
// after it stay empty, so a value that is set means all before it are.
struct MainSettings {
    std::optional<std::int32_t> Port;
    std::optional<std::int32_t> MaxCounter;
    std::optional<std::int32_t> ContaktIn;
    std::optional<std::int32_t> ContaktOut;
    std::optional<std::int32_t> X;
    std::optional<std::int32_t> Y;
    std::optional<std::int32_t> Monitor;

    // All empty when the key does not exist yet.
    static MainSettings Read(SettingsStore &store);
    // Stores the values that are set, in order, and returns the name of the
    // first one not stored, empty when all were. Without its key nothing is
    // stored: the first value is the one lost.
    QString Write(SettingsStore &store) const;
};
