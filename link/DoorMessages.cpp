#include "link/DoorMessages.h"

#include "link/DoorLinkSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

namespace {

// A run's id is 16 hexadecimal digits; room for other spellings.
constexpr qsizetype kMostInstance = 64;

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

QString Utf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<std::int64_t> Whole(const QJsonValue &value, std::int64_t most)
{
    const double number = value.toDouble(-1);
    if (!value.isDouble() || number < 0 || number > static_cast<double>(most) || std::floor(number) != number)
        return std::nullopt;
    return static_cast<std::int64_t>(number);
}

std::optional<DoorTotals> Totals(const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    const auto in = Whole(object.value("in"), DoorTotals::kMost);
    const auto out = Whole(object.value("out"), DoorTotals::kMost);
    if (!value.isObject() || !in || !out)
        return std::nullopt;
    return DoorTotals{*in, *out};
}

QJsonObject TotalsObject(const DoorTotals &totals)
{
    return {{"in", static_cast<qint64>(totals.in)}, {"out", static_cast<qint64>(totals.out)}};
}

QJsonObject TotalsByNameObject(const DoorTotalsByName &doors)
{
    QJsonObject object;
    for (const auto &[door, totals] : doors)
        object.insert(Utf8(door), TotalsObject(totals));
    return object;
}

// Doors by name. Strict (a message): any unsound entry refuses it all;
// else (a state file) unsound entries are left out.
std::optional<DoorTotalsByName> TotalsByName(const QJsonValue &value, bool strict)
{
    if (!value.isObject())
        return std::nullopt;
    DoorTotalsByName doors;
    const QJsonObject object = value.toObject();
    for (auto door = object.begin(); door != object.end(); ++door) {
        const std::string name = door.key().toStdString();
        const auto totals = Totals(door.value());
        if (totals && TopicNameAllowed(name))
            doors.emplace(name, *totals);
        else if (strict)
            return std::nullopt;
    }
    return doors;
}

// A field the reader may do without: absent, or of its type.
bool Optional(const QJsonObject &object, const char *field, QJsonValue::Type type)
{
    const QJsonValue value = object.value(field);
    return value.isUndefined() || value.type() == type;
}

std::optional<DoorReset> Reset(const QJsonObject &object, std::int64_t leastStamp, bool strict)
{
    const auto stamp = Whole(object.value("stamp"), DoorEpoch::kMostStamp);
    const QJsonValue by = object.value("by");
    const auto doors = TotalsByName(object.value("doors"), strict);
    if (!stamp || *stamp < leastStamp || !by.isString() || !doors)
        return std::nullopt;
    const std::string door = by.toString().toStdString();
    if (*stamp == 0)
        return DoorReset();
    if (!TopicNameAllowed(door))
        return std::nullopt;
    return DoorReset{DoorEpoch(*stamp, door), *doors};
}

} // namespace

std::string EncodeDoorMessage(const DoorMessage &message, std::chrono::system_clock::time_point now)
{
    const DoorReport &report = message.report;
    QJsonObject object{{"in", static_cast<qint64>(report.totals.in)},
                       {"out", static_cast<qint64>(report.totals.out)},
                       {"clock", static_cast<qint64>(report.clock)},
                       {"instance", Utf8(report.instance)},
                       {"online", report.online},
                       {"updated", Utf8(LocalIsoTime(now))}};
    if (message.request)
        object.insert("request", true);
    if (!message.views.empty())
        object.insert("views", TotalsByNameObject(message.views));
    return Text(object);
}

std::optional<DoorMessage> DecodeDoorMessage(std::string_view json)
{
    const auto object = Object(json);
    if (!object)
        return std::nullopt;
    const auto totals = Totals(*object);
    // The earlier kind, of a door not yet updated: its totals, no stamp, no run.
    const bool earlier = object->value("epoch").isString() && object->value("clock").isUndefined() &&
                         object->value("instance").isUndefined();
    const auto clock = earlier ? 0 : Whole(object->value("clock"), DoorEpoch::kMostStamp);
    const QString instance = earlier ? QStringLiteral("-") : object->value("instance").toString();
    const QJsonValue views = object->value("views");
    const auto viewed = views.isUndefined() ? DoorTotalsByName() : TotalsByName(views, true);
    if (!totals || !clock || instance.isEmpty() || instance.size() > kMostInstance || !viewed ||
        !Optional(*object, "online", QJsonValue::Bool) || !Optional(*object, "request", QJsonValue::Bool) ||
        !Optional(*object, "updated", QJsonValue::String))
        return std::nullopt;
    return DoorMessage{{earlier ? std::string() : instance.toStdString(), object->value("online").toBool(true),
                        *totals, *clock},
                       object->value("request").toBool(false),
                       *viewed};
}

std::string EncodeResetMessage(const DoorReset &reset, std::chrono::system_clock::time_point now)
{
    return Text({{"stamp", static_cast<qint64>(reset.epoch.Stamp())},
                 {"by", Utf8(reset.epoch.Door())},
                 {"doors", TotalsByNameObject(reset.baseline)},
                 {"at", Utf8(LocalIsoTime(now))}});
}

std::optional<DoorReset> DecodeResetMessage(std::string_view json)
{
    const auto object = Object(json);
    if (!object || !Optional(*object, "at", QJsonValue::String))
        return std::nullopt;
    return Reset(*object, 1, true);
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
    return Text({{"clock", static_cast<qint64>(record.clock)},
                 {"reset", QJsonObject{{"stamp", static_cast<qint64>(record.reset.epoch.Stamp())},
                                       {"by", Utf8(record.reset.epoch.Door())},
                                       {"doors", TotalsByNameObject(record.reset.baseline)}}},
                 {"in", static_cast<qint64>(record.own.in)},
                 {"out", static_cast<qint64>(record.own.out)},
                 {"doors", TotalsByNameObject(record.others)}});
}

std::optional<DoorStateRecord> DecodeDoorState(std::string_view json)
{
    const auto object = Object(json);
    const auto own = object ? Totals(*object) : std::nullopt;
    if (!own)
        return std::nullopt;
    const QJsonValue doors = object->value("doors");
    DoorStateRecord record{{}, *own, TotalsByName(doors, false).value_or(DoorTotalsByName()), 0};
    if (object->value("clock").isUndefined()) {
        // The earlier kind: its totals and the others' counted from the
        // epoch's reset; taken as running totals with no reset since.
        return object->value("epoch").isString() ? std::optional(record) : std::nullopt;
    }
    const auto clock = Whole(object->value("clock"), DoorEpoch::kMostStamp);
    const auto reset = Reset(object->value("reset").toObject(), 0, false);
    if (!clock || !reset)
        return std::nullopt;
    record.reset = *reset;
    record.clock = *clock;
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
