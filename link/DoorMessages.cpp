#include "link/DoorMessages.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

namespace {

// The largest whole number a JSON reader keeps exactly.
constexpr double kMostTotal = 9007199254740992.0;

std::string Text(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

std::optional<QJsonObject> Object(std::string_view json)
{
    const auto document =
        QJsonDocument::fromJson(QByteArray::fromRawData(json.data(), static_cast<qsizetype>(json.size())));
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

std::optional<std::int64_t> Total(const QJsonValue &value)
{
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < 0 || number > kMostTotal || std::floor(number) != number)
        return std::nullopt;
    return static_cast<std::int64_t>(number);
}

std::optional<DoorEpoch> Epoch(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    return DoorEpoch::Parse(value.toString().toStdString());
}

QString Utf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<DoorMessage> DoorFields(const QJsonObject &object)
{
    const auto in = Total(object.value("in"));
    const auto out = Total(object.value("out"));
    const auto epoch = Epoch(object.value("epoch"));
    if (!in || !out || !epoch)
        return std::nullopt;
    return DoorMessage{*epoch, {*in, *out}, object.value("online").toBool(true)};
}

} // namespace

std::string EncodeDoorMessage(const DoorMessage &message, std::chrono::system_clock::time_point now)
{
    return Text({{"in", static_cast<qint64>(message.totals.in)},
                 {"out", static_cast<qint64>(message.totals.out)},
                 {"epoch", Utf8(message.epoch.Id())},
                 {"online", message.online},
                 {"updated", Utf8(LocalIsoTime(now))}});
}

std::optional<DoorMessage> DecodeDoorMessage(std::string_view json)
{
    const auto object = Object(json);
    return object ? DoorFields(*object) : std::nullopt;
}

std::string EncodeResetMessage(const DoorEpoch &epoch)
{
    return Text({{"epoch", Utf8(epoch.Id())},
                 {"at", Utf8(LocalIsoTime(epoch.At()))},
                 {"by", Utf8(epoch.Door())}});
}

std::optional<DoorEpoch> DecodeResetMessage(std::string_view json)
{
    const auto object = Object(json);
    return object ? Epoch(object->value("epoch")) : std::nullopt;
}

std::string EncodeOccupancy(std::int64_t count, std::int32_t capacity, std::string_view state,
                            std::chrono::system_clock::time_point now)
{
    return Text({{"count", static_cast<qint64>(count)},
                 {"capacity", capacity},
                 {"placesLeft", static_cast<qint64>(std::max<std::int64_t>(capacity - count, 0))},
                 {"state", Utf8(state)},
                 {"updated", Utf8(LocalIsoTime(now))}});
}

std::string EncodeDoorState(const DoorStateRecord &record)
{
    QJsonObject doors;
    for (const auto &[door, totals] : record.others)
        doors.insert(Utf8(door), QJsonObject{{"in", static_cast<qint64>(totals.in)},
                                             {"out", static_cast<qint64>(totals.out)}});
    return Text({{"epoch", Utf8(record.epoch.Id())},
                 {"in", static_cast<qint64>(record.own.in)},
                 {"out", static_cast<qint64>(record.own.out)},
                 {"doors", doors}});
}

std::optional<DoorStateRecord> DecodeDoorState(std::string_view json)
{
    const auto object = Object(json);
    const auto own = object ? DoorFields(*object) : std::nullopt;
    if (!own)
        return std::nullopt;
    DoorStateRecord record{own->epoch, own->totals, {}};
    const QJsonObject doors = object->value("doors").toObject();
    for (auto door = doors.begin(); door != doors.end(); ++door) {
        const QJsonObject totals = door.value().toObject();
        const auto in = Total(totals.value("in"));
        const auto out = Total(totals.value("out"));
        if (in && out && !door.key().isEmpty())
            record.others.emplace(door.key().toStdString(), DoorTotals{*in, *out});
    }
    return record;
}

std::string LocalIsoTime(std::chrono::system_clock::time_point time)
{
    const auto milliseconds = std::chrono::floor<std::chrono::milliseconds>(time).time_since_epoch().count();
    // Through Qt's own zone data, not the C library's local time, whose
    // shared state other threads of the program touch meanwhile.
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(milliseconds, QTimeZone::systemTimeZone());
    std::string text = local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate).toStdString();
    // Qt writes an offset of 0 as "Z"; the offset is said the same way always.
    if (text.ends_with('Z'))
        text.replace(text.size() - 1, 1, "+00:00");
    return text;
}
