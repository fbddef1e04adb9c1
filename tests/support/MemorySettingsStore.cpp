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

std::optional<QString> MemorySettingsStore::ReadString(const QString &name)
{
    const auto it = values.constFind(name);
    if (!keyOpen || it == values.cend() || it->typeId() != QMetaType::QString)
        return std::nullopt;
    return it->toString();
}

std::optional<QString> MemorySettingsStore::ReadAnyText(const QString &name)
{
    const auto it = values.constFind(name);
    if (!keyOpen || it == values.cend())
        return std::nullopt;
    if (it->typeId() == QMetaType::QStringList)
        return it->toStringList().join(QStringLiteral(", "));
    return it->toString();
}

QString MemorySettingsStore::WriteValues(const SettingValues &values)
{
    ++batches;
    for (const auto &[name, value] : values) {
        if (!keyOpen || name == failWritesOf)
            return name;
        writes << name;
        this->values[name] = std::visit([](const auto &content) { return QVariant(content); }, value);
    }
    return {};
}
