#include "journal/JournalRow.h"

#include "hall/HallSource.h"

JournalRow JournalRowOf(const HallChange &change, std::chrono::seconds utcOffset)
{
    JournalRow row;
    row.time = std::chrono::floor<std::chrono::milliseconds>(change.time);
    row.utcOffset = utcOffset;
    row.source = static_cast<std::uint16_t>(change.source);
    if (change.delta > 0)
        row.change = JournalChange::Up;
    else if (change.delta < 0)
        row.change = JournalChange::Down;
    else if (change.reset)
        row.change = JournalChange::Reset;
    else if (change.source == HallSource::Start)
        row.change = change.resumed ? JournalChange::Resumed : JournalChange::Started;
    else if (change.source == HallSource::OtherDoors)
        row.change = JournalChange::Merged;
    row.count = change.count;
    row.capacity = change.capacity;
    return row;
}

std::string_view JournalSourceName(std::uint16_t source)
{
    switch (static_cast<HallSource>(source)) {
    case HallSource::EntryBarrier:
        return "Lichtschranke Eingang";
    case HallSource::ExitBarrier:
        return "Lichtschranke Ausgang";
    case HallSource::In:
        return "REIN";
    case HallSource::Out:
        return "RAUS";
    case HallSource::Reset:
        return "RESET";
    case HallSource::DailyReset:
        return "Tagesreset";
    case HallSource::Start:
        return "Start";
    case HallSource::OtherDoors:
        return "andere Eingänge";
    case HallSource::OtherDoorReset:
        return "RESET an anderem Eingang";
    case HallSource::EntryBlocked:
        return "Eingang blockiert";
    case HallSource::EntryClear:
        return "Eingang frei";
    case HallSource::EntryFlickering:
        return "Eingang flattert";
    case HallSource::ExitBlocked:
        return "Ausgang blockiert";
    case HallSource::ExitClear:
        return "Ausgang frei";
    case HallSource::ExitFlickering:
        return "Ausgang flattert";
    case HallSource::PortLost:
        return "Schnittstelle getrennt";
    case HallSource::PortBack:
        return "Schnittstelle wieder verbunden";
    case HallSource::SettingsNotStored:
        return "Einstellungen nicht gespeichert";
    case HallSource::LampGreen:
        return "Ampel grün";
    case HallSource::LampAmber:
        return "Ampel gelb";
    case HallSource::LampRed:
        return "Ampel rot";
    }
    return {};
}

std::string_view JournalChangeText(JournalChange change)
{
    switch (change) {
    case JournalChange::Up:
        return "+1";
    case JournalChange::Down:
        return "-1";
    case JournalChange::Reset:
        return "Rücksetzung";
    case JournalChange::Started:
        return "Neubeginn";
    case JournalChange::Resumed:
        return "Stand übernommen";
    case JournalChange::Merged:
        return "neuer Stand";
    case JournalChange::None:
        break;
    }
    return {};
}
