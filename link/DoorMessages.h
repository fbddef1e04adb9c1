#pragma once

#include "hall/DoorMerge.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The JSON the doors exchange, as UTF-8 text. Times the operator reads
// ("updated", "at") are local with their offset: "2026-12-09T14:03:12+01:00";
// no door reads them. A reader refuses a message whose known fields have the
// wrong type or a number out of range; it ignores fields it does not know.

// pontra/<Hall>/door/<Door>:
// {"in": 7, "out": 3, "clock": 4, "instance": "…", "online": true, "updated": "…"},
// sent without retain with "request": true by a door that lost its totals,
// and with "views": {"Süd": {"in": 4, "out": 1}} by the doors that answer it.
// A message of the earlier kind ({"in", "out", "epoch", "online"}, of a door
// not yet updated) reads as totals with clock 0 and an empty instance.
struct DoorMessage {
    DoorReport report;
    bool request = false;
    DoorTotalsByName views;
};
std::string EncodeDoorMessage(const DoorMessage &message, std::chrono::system_clock::time_point now);
std::optional<DoorMessage> DecodeDoorMessage(std::string_view json);

// pontra/<Hall>/reset:
// {"stamp": 5, "by": "Nord", "doors": {"Nord": {"in": 7, "out": 3}, …}, "at": "…"}
std::string EncodeResetMessage(const DoorReset &reset, std::chrono::system_clock::time_point now);
std::optional<DoorReset> DecodeResetMessage(std::string_view json);

// pontra/<Hall>/occupancy, the live feed's JSON, an output only:
// {"count": 3, "capacity": 5, "placesLeft": 2, "state": "open", "updated": "…"}
std::string EncodeOccupancy(std::int64_t count, std::int32_t capacity, std::string_view state,
                            std::chrono::system_clock::time_point now);

// What a door knows of its hall, kept over a restart: the newest reset, the
// highest stamp seen, its own totals and the other doors' last known ones.
// Its file holds {"clock": 5, "reset": {"stamp": 5, "by": "Nord", "doors": {…}},
// "in": 7, "out": 3, "doors": {"Süd": {"in": 4, "out": 1}}}. A file of the
// earlier kind, {"epoch": "…", "in": 7, "out": 3, "doors": {…}}, counted
// each door's totals from the epoch's reset: read as running totals with no
// reset since, which gives the same count.
struct DoorStateRecord {
    DoorReset reset;
    DoorTotals own;
    DoorTotalsByName others;
    std::int64_t clock = 0;

    friend bool operator==(const DoorStateRecord &, const DoorStateRecord &) = default;
};
std::string EncodeDoorState(const DoorStateRecord &record);
std::optional<DoorStateRecord> DecodeDoorState(std::string_view json);

// The local time of an instant, to the second, with the UTC offset.
std::string LocalIsoTime(std::chrono::system_clock::time_point time);
