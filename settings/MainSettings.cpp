#include "settings/MainSettings.h"

#include "settings/SettingsStore.h"

#include <array>
#include <utility>

namespace {

using Field = std::optional<std::int32_t> MainSettings::*;

constexpr std::array<std::pair<const char *, Field>, 7> kFields{{
    {"Port", &MainSettings::Port},
    {"MaxCounter", &MainSettings::MaxCounter},
    {"ContaktIn", &MainSettings::ContaktIn},
    {"ContaktOut", &MainSettings::ContaktOut},
    {"X", &MainSettings::X},
    {"Y", &MainSettings::Y},
    {"Monitor", &MainSettings::Monitor},
}};

} // namespace

MainSettings MainSettings::Read(SettingsStore &store)
{
    MainSettings read;
    if (!store.OpenKey(false))
        return read;
    for (const auto &[name, field] : kFields) {
        read.*field = store.ReadInteger(QString::fromLatin1(name));
        if (!(read.*field))
            break;
    }
    store.CloseKey();
    return read;
}

QString MainSettings::Write(SettingsStore &store) const
{
    SettingValues values;
    for (const auto &[name, field] : kFields) {
        if (this->*field)
            values.append({QString::fromLatin1(name), *(this->*field)});
    }
    if (values.isEmpty())
        return {};
    if (!store.OpenKey(true))
        return values.first().first;
    const QString failed = store.WriteValues(values);
    store.CloseKey();
    return failed;
}
