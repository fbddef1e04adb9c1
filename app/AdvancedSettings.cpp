#include "app/AdvancedSettings.h"

#include "hall/DailyResetSchedule.h"

#include <array>

namespace {

// One key: how its stored text is read into the settings (false for a bad
// text, which leaves the default) and what is stored for it.
struct AdvancedKey {
    const char *name;
    bool (*read)(const QString &text, AdvancedSettings &settings);
    SettingValue (*value)(const AdvancedSettings &settings);
};

std::optional<int> WholeNumber(const QString &text, int min, int max)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (!ok || number < min || number > max)
        return std::nullopt;
    return number;
}

// A key holding a whole number from 0 to Max.
template <int AdvancedSettings::*Member, int Max>
bool ReadNumber(const QString &text, AdvancedSettings &settings)
{
    const auto number = WholeNumber(text, 0, Max);
    if (number)
        settings.*Member = *number;
    return number.has_value();
}

template <int AdvancedSettings::*Member>
SettingValue NumberValue(const AdvancedSettings &settings)
{
    return SettingValue(settings.*Member);
}

const std::array<AdvancedKey, 6> kKeys{{
    {"JournalDays",
     [](const QString &text, AdvancedSettings &settings) {
         const auto days = WholeNumber(text, 0, kMaxJournalDays);
         if (days)
             settings.JournalDays = *days;
         return days.has_value();
     },
     [](const AdvancedSettings &settings) { return SettingValue(settings.JournalDays); }},
    {"DailyReset",
     [](const QString &text, AdvancedSettings &settings) {
         return ParseDailyResetTime(text.toStdString(), settings.DailyReset);
     },
     [](const AdvancedSettings &settings) { return SettingValue(DailyResetText(settings.DailyReset)); }},
    {"ResumeCount",
     [](const QString &text, AdvancedSettings &settings) {
         const auto resume = WholeNumber(text, 0, 1);
         if (resume)
             settings.ResumeCount = *resume == 1;
         return resume.has_value();
     },
     [](const AdvancedSettings &settings) { return SettingValue(settings.ResumeCount ? 1 : 0); }},
    {"DebounceMs", ReadNumber<&AdvancedSettings::DebounceMs, kMaxDebounceMs>,
     NumberValue<&AdvancedSettings::DebounceMs>},
    {"BlockedSeconds", ReadNumber<&AdvancedSettings::BlockedSeconds, kMaxBlockedSeconds>,
     NumberValue<&AdvancedSettings::BlockedSeconds>},
    {"FlickerPerSecond", ReadNumber<&AdvancedSettings::FlickerPerSecond, kMaxFlickerPerSecond>,
     NumberValue<&AdvancedSettings::FlickerPerSecond>},
}};

} // namespace

AdvancedSettings ReadAdvancedSettings(SettingsStore &store, QStringList &bad)
{
    AdvancedSettings settings;
    for (const AdvancedKey &key : kKeys) {
        const QString name = QString::fromLatin1(key.name);
        std::optional<QString> text = store.ReadString(name);
        if (!text) {
            if (const auto number = store.ReadInteger(name))
                text = QString::number(*number);
        }
        if (!text)
            continue;
        // A bad text must not leave half of itself behind.
        AdvancedSettings read = settings;
        if (key.read(*text, read))
            settings = read;
        else
            bad << name + QLatin1Char('=') + *text;
    }
    return settings;
}

SettingValues AdvancedSettingValues(const AdvancedSettings &settings)
{
    SettingValues values;
    for (const AdvancedKey &key : kKeys)
        values.append({QString::fromLatin1(key.name), key.value(settings)});
    return values;
}

QString BadAdvancedSettingsNotice(const QStringList &bad)
{
    return QStringLiteral("In den Einstellungen stehen ungültige Werte, an deren Stelle die Voreinstellung gilt:\n\n%1"
                          "\n\nÄndern Sie sie unter Einstellungen (F2) → „Erweitert …“.")
        .arg(bad.join(QLatin1Char('\n')));
}

QString DailyResetText(std::optional<std::chrono::minutes> at)
{
    if (!at)
        return {};
    return QStringLiteral("%1:%2")
        .arg(at->count() / 60, 2, 10, QLatin1Char('0'))
        .arg(at->count() % 60, 2, 10, QLatin1Char('0'));
}
