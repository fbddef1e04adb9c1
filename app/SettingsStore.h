#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>

// Named 32-bit integers, in the order they are to be stored.
using IntegerValues = QList<std::pair<QString, std::int32_t>>;

// Per-user store of 32-bit integer settings under one key. The real store is
// QSettingsStore; tests use an in-memory one.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Opens the key. Without create, fails when the key does not exist yet.
    virtual bool OpenKey(bool create) = 0;
    virtual void CloseKey() = 0;
    // Empty when the value is missing or is not a 32-bit integer.
    virtual std::optional<std::int32_t> ReadInteger(const QString &name) = 0;
    // False when the value could not be stored.
    virtual bool WriteInteger(const QString &name, std::int32_t value) = 0;
    // Stores the values in order and returns the name of the first one not
    // stored, empty when all were. Value by value, stopping at a failure; a
    // store that keeps its values in one file writes them together instead.
    virtual QString WriteIntegers(const IntegerValues &values)
    {
        for (const auto &[name, value] : values) {
            if (!WriteInteger(name, value))
                return name;
        }
        return {};
    }
};
