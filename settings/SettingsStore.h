#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>
#include <variant>

// A setting's value: a 32-bit integer or a text.
using SettingValue = std::variant<std::int32_t, QString>;
// Named values, in the order they are to be stored. Names are plain words
// (letters and digits).
using SettingValues = QList<std::pair<QString, SettingValue>>;

// Per-user store of settings under one key. The real store is
// QSettingsStore; tests use an in-memory one.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Opens the key. Without create, fails when the key does not exist yet.
    virtual bool OpenKey(bool create) = 0;
    virtual void CloseKey() = 0;
    // Empty when the value is missing or is not a 32-bit integer.
    virtual std::optional<std::int32_t> ReadInteger(const QString &name) = 0;
    // Empty when the value is missing or is not a text.
    virtual std::optional<QString> ReadString(const QString &name) = 0;
    // Any value as text, whatever its type, a list's items joined by ", ",
    // so that a value of no readable type can be named; empty when missing.
    virtual std::optional<QString> ReadAnyText(const QString &name) = 0;
    // Stores the values in order and returns the name of the first one not
    // stored, empty when all were. A store keeping its values in one file
    // writes them together, all or none; one that stores value by value
    // stops at a failure.
    virtual QString WriteValues(const SettingValues &values) = 0;
    // Why the last opening or writing failed, in the system's words; empty
    // when there is no reason to give.
    virtual QString FailureReason() const = 0;
};
