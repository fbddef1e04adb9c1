#pragma once

#include "app/SettingsStore.h"

#include <QMap>
#include <QStringList>
#include <QVariant>

// Settings kept in memory. A value is an integer, or any other QVariant to
// stand for a value of another type. Writes can be made to fail by name, and
// the key can be made impossible to create.
class MemorySettingsStore final : public SettingsStore {
public:
    bool OpenKey(bool create) override;
    void CloseKey() override;
    std::optional<std::int32_t> ReadInteger(const QString &name) override;
    bool WriteInteger(const QString &name, std::int32_t value) override;
    QString WriteIntegers(const IntegerValues &values) override;

    bool keyExists = false;
    bool keyOpen = false;
    QMap<QString, QVariant> values;
    QString failWritesOf;       // a write of this name fails
    bool createFails = false;   // opening with create fails
    QStringList writes;         // names written, in order
    int batches = 0;            // calls of WriteIntegers
};
