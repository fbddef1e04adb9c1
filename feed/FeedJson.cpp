#include "feed/FeedJson.h"

#include "journal/JournalCsv.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

const char *StateName(OccupancyState state)
{
    switch (state) {
    case OccupancyState::NearlyFull:
        return "nearlyFull";
    case OccupancyState::Full:
        return "full";
    case OccupancyState::Open:
        break;
    }
    return "open";
}

// Names for programs, where the export has German words.
const char *ChangeName(JournalChange change)
{
    switch (change) {
    case JournalChange::Up:
        return "up";
    case JournalChange::Down:
        return "down";
    case JournalChange::Reset:
        return "reset";
    case JournalChange::Started:
        return "started";
    case JournalChange::Resumed:
        return "resumed";
    case JournalChange::Merged:
        return "merged";
    case JournalChange::None:
        break;
    }
    return "none";
}

QString Utf8(const std::string &text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

} // namespace

std::string FeedTimeText(std::chrono::system_clock::time_point time)
{
    JournalRow moment;
    moment.time = std::chrono::floor<std::chrono::milliseconds>(time);
    moment.utcOffset = LocalTimeAt(time).utcOffset;
    return JournalTimeText(moment);
}

const char *LampName(LampState lamp)
{
    switch (lamp) {
    case LampState::Amber:
        return "amber";
    case LampState::Red:
        return "red";
    case LampState::Green:
        break;
    }
    return "green";
}

std::string OccupancyJson(const FeedSnapshot &snapshot)
{
    QJsonArray warnings;
    for (const auto &warning : snapshot.warnings)
        warnings.append(Utf8(warning));
    QJsonObject hall{
        {"count", snapshot.count},
        {"capacity", snapshot.capacity},
        {"placesLeft", PlacesLeft(snapshot.count, snapshot.capacity)},
        {"state", StateName(snapshot.state)},
        {"updated", Utf8(FeedTimeText(snapshot.updated))},
        {"warnings", warnings},
    };
    if (snapshot.lamp)
        hall.insert("lamp", LampName(*snapshot.lamp));
    return Compact(hall);
}

std::string DayJson(std::chrono::year_month_day date, const std::vector<JournalRow> &rows)
{
    QJsonArray list;
    for (const auto &row : rows) {
        const auto name = JournalSourceName(row.source);
        list.append(QJsonObject{
            {"time", Utf8(JournalTimeText(row))},
            {"source", name.empty() ? QString::number(row.source) : QString::fromUtf8(name.data(), name.size())},
            {"sourceCode", row.source},
            {"change", ChangeName(row.change)},
            {"count", row.count},
            {"capacity", row.capacity},
        });
    }
    char day[16];
    std::snprintf(day, sizeof day, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return Compact({{"date", day}, {"rows", list}});
}
