#include "support/MemorySettingsStore.h"

bool MemorySettingsStore::OpenKey(bool create)
{
    if (!keyExists && !create)
        return false;
    if (create && createFails)
        return false;
    keyExists = true;
    keyOpen = true;
    return true;
}

void MemorySettingsStore::CloseKey()
{
    keyOpen = false;
}

std::optional<std::int32_t> MemorySettingsStore::ReadInteger(const QString &name)
{
    const auto it = values.constFind(name);
    if (!keyOpen || it == values.cend() || it->typeId() != QMetaType::Int)
        return std::nullopt;
    return it->toInt();
}

bool MemorySettingsStore::WriteInteger(const QString &name, std::int32_t value)
{
    if (!keyOpen || name == failWritesOf)
        return false;
    writes << name;
    values[name] = value;
    return true;
}

QString MemorySettingsStore::WriteIntegers(const IntegerValues &values)
{
    ++batches;
    return SettingsStore::WriteIntegers(values);
}
