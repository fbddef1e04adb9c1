#pragma once

#include "settings/SettingsStore.h"

#include <QMap>
#include <QStringList>
#include <QVariant>

// Settings kept in memory, stored value by value. A value is an integer or a
// text, or any other QVariant to stand for a value of another type. Writes
// can be made to fail by name, with a reason, and the key can be made
// impossible to create.
class MemorySettingsStore final : public SettingsStore {
public:
    bool OpenKey(bool create) override;
    void CloseKey() override;
    std::optional<std::int32_t> ReadInteger(const QString &name) override;
    std::optional<QString> ReadString(const QString &name) override;
    std::optional<QString> ReadAnyText(const QString &name) override;
    QString WriteValues(const SettingValues &values) override;
    QString FailureReason() const override { return failReason; }

    bool keyExists = false;
    bool keyOpen = false;
    QMap<QString, QVariant> values;
    QString failWritesOf;       // a write of this name fails
    QString failReason;         // the reason a failure gives
    bool createFails = false;   // opening with create fails
    QStringList writes;         // names written, in order
    int batches = 0;            // calls of WriteValues
};
