#pragma once

#include "settings/SettingsStore.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

// The settings that go beyond the program's first ones, each a key of its
// own in the same place. Unlike the first ones, which are read in a chain
// that stops at the first missing or bad value, each of these is read on
// its own: a missing one takes its default, a bad one too and is named.
// A new setting is a member here and a row in the table in the .cpp file.
struct AdvancedSettings {
    // Days the journal keeps its rows; 0 keeps no journal at all.
    int JournalDays = 400;
    // Local time of day at which the count goes back to 0; empty: never.
    std::optional<std::chrono::minutes> DailyReset;
    // A start on the day of the journal's last row takes that row's count.
    bool ResumeCount = false;
    // From this share of the capacity on, the hall counts as nearly full;
    // 0 warns never.
    int WarnPercent = 0;
    // The public display names the places left at every count.
    bool ShowPlacesLeft = false;
    // The live feed's port; 0: no server.
    int HttpPort = 0;
    // The numeric address it listens on.
    QString HttpBind = QStringLiteral("127.0.0.1");
    // The key a client must give; needed on any address but loopback.
    QString HttpToken;
    // Further host names or addresses under which the feed answers, and whose
    // pages may read it from elsewhere; separated by spaces.
    QString HttpHosts;
    // Several entrances: this door's name, the hall the doors share, the
    // MQTT broker ("host:port"; empty: the door counts alone), its login,
    // and the CA file that makes the link TLS.
    QString Door = DefaultDoor();
    QString HallName = QStringLiteral("halle");
    QString Broker;
    QString BrokerUser;
    QString BrokerPassword;
    QString BrokerCaFile;

    // The computer's host name.
    static QString DefaultDoor();
    // A barrier's line change counts once it held this long; 0: at once.
    int DebounceMs = 0;
    // A beam interrupted longer than this is reported as blocked; 0: never.
    int BlockedSeconds = 30;
    // More line changes than this within a second are reported as
    // flickering; 0: never.
    int FlickerPerSecond = 20;

    // The stop lamp at the door. Its serial port's number, 0: none; never
    // the barriers' port. DTR holds the "go" relay while the hall has room.
    int LampPort = 0;
    // What RTS shows: the amber lamp, or "full" as a second signal.
    enum class RtsMeaning { Amber, Full };
    RtsMeaning LampRtsMeaning = RtsMeaning::Amber;
    // Visitors below the capacity at which red goes again.
    int LampHysteresis = 1;
    // A blocked barrier or a lost port shows red.
    bool LampOnFault = false;
    // The broker's topics for the green and the red lamp (empty: not used),
    // their payloads, and how often the lamp's state is sent again.
    QString LampTopicGreen;
    QString LampTopicRed;
    QString LampOn = QStringLiteral("ON");
    QString LampOff = QStringLiteral("OFF");
    int LampRefreshSeconds = 10;

    bool operator==(const AdvancedSettings &) const = default;
};

inline constexpr int kMaxJournalDays = 3660;
inline constexpr int kMaxWarnPercent = 99;
inline constexpr int kMaxDebounceMs = 1000;
inline constexpr int kMaxBlockedSeconds = 3600;
inline constexpr int kMaxFlickerPerSecond = 1000;
inline constexpr int kMaxLampPort = 255;
inline constexpr int kMaxLampHysteresis = 1000;
inline constexpr int kMaxLampRefreshSeconds = 3600;

// Whether a stop lamp is used: on a port, or on the broker's topics.
bool LampUsed(const AdvancedSettings &settings);

// A topic the lamp may publish on: empty (not used), or a name without the
// wildcards "+" and "#".
bool IsLampTopic(const QString &text);

// Reads every key from an open store. Each bad one is added to bad as
// "Name=value".
AdvancedSettings ReadAdvancedSettings(SettingsStore &store, QStringList &bad);

// The values to store, in the table's order.
SettingValues AdvancedSettingValues(const AdvancedSettings &settings);

// The notice that names the bad keys read at start.
QString BadAdvancedSettingsNotice(const QStringList &bad);

// An IPv4 or IPv6 address in digits, as the HttpBind key takes it.
bool IsNumericAddress(const QString &text);
// A text the HttpToken key takes: empty, or what a URL carries unescaped.
bool IsFeedToken(const QString &text);
// A text the HttpHosts key takes: host names or addresses, separated by spaces.
bool IsFeedHostList(const QString &text);

// The hall's name as a report's title gives it: empty for the door link's
// default, which is a topic's name and not one to print.
QString ReportHallName(const AdvancedSettings &settings);

// "HH:MM", as the DailyReset key stores it.
QString DailyResetText(std::optional<std::chrono::minutes> at);
