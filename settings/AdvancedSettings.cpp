#include "settings/AdvancedSettings.h"

#include "feed/FeedHosts.h"
#include "hall/DailyResetSchedule.h"
#include "link/BrokerAddress.h"
#include "link/DoorLinkSettings.h"

#include <QHostAddress>
#include <QRegularExpression>

#include <algorithm>
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

// A text key whose every value is good.
template <QString AdvancedSettings::*member>
constexpr AdvancedKey TextKey(const char *name)
{
    return {name,
            [](const QString &text, AdvancedSettings &settings) {
                settings.*member = text;
                return true;
            },
            [](const AdvancedSettings &settings) { return SettingValue(settings.*member); }};
}

// A door's or hall's name, part of the topic names.
template <QString AdvancedSettings::*member>
constexpr AdvancedKey NameKey(const char *name)
{
    return {name,
            [](const QString &text, AdvancedSettings &settings) {
                if (!TopicNameAllowed(text.toStdString()))
                    return false;
                settings.*member = text;
                return true;
            },
            [](const AdvancedSettings &settings) { return SettingValue(settings.*member); }};
}

// A topic the stop lamp publishes on.
template <QString AdvancedSettings::*member>
constexpr AdvancedKey LampTopicKey(const char *name)
{
    return {name,
            [](const QString &text, AdvancedSettings &settings) {
                if (!IsLampTopic(text))
                    return false;
                settings.*member = text;
                return true;
            },
            [](const AdvancedSettings &settings) { return SettingValue(settings.*member); }};
}

// A payload the stop lamp sends: never empty, which a broker takes as
// deleting the topic's kept state.
template <QString AdvancedSettings::*member>
constexpr AdvancedKey LampPayloadKey(const char *name)
{
    return {name,
            [](const QString &text, AdvancedSettings &settings) {
                if (text.trimmed().isEmpty())
                    return false;
                settings.*member = text.trimmed();
                return true;
            },
            [](const AdvancedSettings &settings) { return SettingValue(settings.*member); }};
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

// A key that is 0 or 1.
template <bool AdvancedSettings::*member>
constexpr AdvancedKey FlagKey(const char *name)
{
    return {name,
            [](const QString &text, AdvancedSettings &settings) {
                const auto flag = WholeNumber(text, 0, 1);
                if (flag)
                    settings.*member = *flag == 1;
                return flag.has_value();
            },
            [](const AdvancedSettings &settings) { return SettingValue(settings.*member ? 1 : 0); }};
}

// The longest text any key takes: a path's length on Linux.
constexpr qsizetype kMaxValueLength = 4096;
// How much of a bad value the notice shows.
constexpr qsizetype kShownValueLength = 40;

const std::array<AdvancedKey, 27> kKeys{{
    {"JournalDays", ReadNumber<&AdvancedSettings::JournalDays, kMaxJournalDays>,
     NumberValue<&AdvancedSettings::JournalDays>},
    {"DailyReset",
     [](const QString &text, AdvancedSettings &settings) {
         return ParseDailyResetTime(text.toStdString(), settings.DailyReset);
     },
     [](const AdvancedSettings &settings) { return SettingValue(DailyResetText(settings.DailyReset)); }},
    FlagKey<&AdvancedSettings::ResumeCount>("ResumeCount"),
    {"WarnPercent", ReadNumber<&AdvancedSettings::WarnPercent, kMaxWarnPercent>,
     NumberValue<&AdvancedSettings::WarnPercent>},
    FlagKey<&AdvancedSettings::ShowPlacesLeft>("ShowPlacesLeft"),
    {"HttpPort", ReadNumber<&AdvancedSettings::HttpPort, 65535>, NumberValue<&AdvancedSettings::HttpPort>},
    {"HttpBind",
     [](const QString &text, AdvancedSettings &settings) {
         if (!IsNumericAddress(text))
             return false;
         settings.HttpBind = text.trimmed();
         return true;
     },
     [](const AdvancedSettings &settings) { return SettingValue(settings.HttpBind); }},
    {"HttpToken",
     [](const QString &text, AdvancedSettings &settings) {
         if (!IsFeedToken(text))
             return false;
         settings.HttpToken = text;
         return true;
     },
     [](const AdvancedSettings &settings) { return SettingValue(settings.HttpToken); }},
    {"HttpHosts",
     [](const QString &text, AdvancedSettings &settings) {
         if (!IsFeedHostList(text))
             return false;
         settings.HttpHosts = text.simplified();
         return true;
     },
     [](const AdvancedSettings &settings) { return SettingValue(settings.HttpHosts); }},
    NameKey<&AdvancedSettings::Door>("Door"),
    NameKey<&AdvancedSettings::HallName>("Hall"),
    {"Broker",
     [](const QString &text, AdvancedSettings &settings) {
         if (!text.isEmpty() && !BrokerAddress::Parse(text.toStdString()))
             return false;
         settings.Broker = text;
         return true;
     },
     [](const AdvancedSettings &settings) { return SettingValue(settings.Broker); }},
    TextKey<&AdvancedSettings::BrokerUser>("BrokerUser"),
    TextKey<&AdvancedSettings::BrokerPassword>("BrokerPassword"),
    TextKey<&AdvancedSettings::BrokerCaFile>("BrokerCaFile"),
    {"DebounceMs", ReadNumber<&AdvancedSettings::DebounceMs, kMaxDebounceMs>,
     NumberValue<&AdvancedSettings::DebounceMs>},
    {"BlockedSeconds", ReadNumber<&AdvancedSettings::BlockedSeconds, kMaxBlockedSeconds>,
     NumberValue<&AdvancedSettings::BlockedSeconds>},
    {"FlickerPerSecond", ReadNumber<&AdvancedSettings::FlickerPerSecond, kMaxFlickerPerSecond>,
     NumberValue<&AdvancedSettings::FlickerPerSecond>},
    {"LampPort", ReadNumber<&AdvancedSettings::LampPort, kMaxLampPort>, NumberValue<&AdvancedSettings::LampPort>},
    {"LampRtsMeaning",
     [](const QString &text, AdvancedSettings &settings) {
         const QString word = text.trimmed();
         if (word == QLatin1String("amber"))
             settings.LampRtsMeaning = AdvancedSettings::RtsMeaning::Amber;
         else if (word == QLatin1String("full"))
             settings.LampRtsMeaning = AdvancedSettings::RtsMeaning::Full;
         else
             return false;
         return true;
     },
     [](const AdvancedSettings &settings) {
         return SettingValue(settings.LampRtsMeaning == AdvancedSettings::RtsMeaning::Full ? QStringLiteral("full")
                                                                                          : QStringLiteral("amber"));
     }},
    {"LampHysteresis",
     [](const QString &text, AdvancedSettings &settings) {
         const auto number = WholeNumber(text, 1, kMaxLampHysteresis);
         if (number)
             settings.LampHysteresis = *number;
         return number.has_value();
     },
     NumberValue<&AdvancedSettings::LampHysteresis>},
    FlagKey<&AdvancedSettings::LampOnFault>("LampOnFault"),
    LampTopicKey<&AdvancedSettings::LampTopicGreen>("LampTopicGreen"),
    LampTopicKey<&AdvancedSettings::LampTopicRed>("LampTopicRed"),
    LampPayloadKey<&AdvancedSettings::LampOn>("LampOn"),
    LampPayloadKey<&AdvancedSettings::LampOff>("LampOff"),
    {"LampRefreshSeconds",
     [](const QString &text, AdvancedSettings &settings) {
         const auto number = WholeNumber(text, 1, kMaxLampRefreshSeconds);
         if (number)
             settings.LampRefreshSeconds = *number;
         return number.has_value();
     },
     NumberValue<&AdvancedSettings::LampRefreshSeconds>},
}};

// A bad key as the notice names it: "Name=value", the value cut short and
// its control characters shown by their codes.
QString BadSettingEntry(const QString &name, const QString &text)
{
    QString shown;
    for (const QChar c : QStringView(text).first(std::min<qsizetype>(text.size(), kShownValueLength))) {
        if (c.category() == QChar::Other_Control)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    if (text.size() > kShownValueLength)
        shown += QChar(0x2026);
    return name + QLatin1Char('=') + shown;
}

// What no key takes: a NUL character, which the number readers and the
// system's calls would take as the text's end and read the part before it,
// or a text longer than any key's good value.
bool UsableText(const QString &text)
{
    return text.size() <= kMaxValueLength && !text.contains(QChar(0));
}

} // namespace

QString AdvancedSettings::DefaultDoor()
{
    return QString::fromStdString(DefaultDoorName());
}

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
        if (!text) {
            // Present, but neither text nor number: a list, for one.
            if (const auto other = store.ReadAnyText(name))
                bad << BadSettingEntry(name, *other);
            continue;
        }
        // A bad text must not leave half of itself behind.
        AdvancedSettings read = settings;
        if (UsableText(*text) && key.read(*text, read))
            settings = read;
        else
            bad << BadSettingEntry(name, *text);
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

bool IsNumericAddress(const QString &text)
{
    // A scope ("fe80::1%eth0") names an interface, which the server cannot
    // bind by; IPv4 in four parts, not the short forms ("192.168.1") that
    // would mean another address than the operator had in mind.
    const QString trimmed = text.trimmed();
    QHostAddress address;
    if (trimmed.contains(QLatin1Char('%')) || !address.setAddress(trimmed))
        return false;
    if (address.protocol() == QAbstractSocket::IPv4Protocol)
        return trimmed.count(QLatin1Char('.')) == 3;
    return address.protocol() == QAbstractSocket::IPv6Protocol;
}

bool IsFeedToken(const QString &text)
{
    // Characters a URL carries as they are, so that ?token= needs no escaping.
    static const QRegularExpression kUnreserved(QStringLiteral("^[A-Za-z0-9._~-]*$"));
    return kUnreserved.match(text).hasMatch();
}

QString DailyResetText(std::optional<std::chrono::minutes> at)
{
    if (!at)
        return {};
    return QStringLiteral("%1:%2")
        .arg(at->count() / 60, 2, 10, QLatin1Char('0'))
        .arg(at->count() % 60, 2, 10, QLatin1Char('0'));
}

bool IsFeedHostList(const QString &text)
{
    const QStringList names = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return std::ranges::all_of(names, [](const QString &name) { return IsFeedHostName(name.toStdString()); });
}

QString ReportHallName(const AdvancedSettings &settings)
{
    return settings.HallName == AdvancedSettings().HallName ? QString() : settings.HallName.trimmed();
}

bool LampUsed(const AdvancedSettings &settings)
{
    return settings.LampPort != 0
           || (!settings.Broker.isEmpty() && !(settings.LampTopicGreen.isEmpty() && settings.LampTopicRed.isEmpty()));
}

bool IsLampTopic(const QString &text)
{
    // A relay's command topic; a wildcard would be refused by the broker.
    return !text.contains(QLatin1Char('+')) && !text.contains(QLatin1Char('#')) &&
           text.toUtf8().size() <= 65535;
}
