#pragma once

#include "hall/DoorEpoch.h"
#include "hall/DoorMerge.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// The JSON the doors exchange, as UTF-8 text. Times the operator reads
// ("updated", "at") are local with their offset: "2026-12-09T14:03:12+01:00".

// pontra/<Hall>/door/<Door>: {"in": 7, "out": 3, "epoch": "...", "online": true, "updated": "..."}
struct DoorMessage {
    DoorEpoch epoch;
    DoorTotals totals;
    bool online = true;
};
std::string EncodeDoorMessage(const DoorMessage &message, std::chrono::system_clock::time_point now);
// Empty for anything but a door's message: totals must be whole numbers
// from 0 to 2^53, the epoch one a door would make.
std::optional<DoorMessage> DecodeDoorMessage(std::string_view json);

// pontra/<Hall>/reset: {"epoch": "...", "at": "...", "by": "<Door>"}
std::string EncodeResetMessage(const DoorEpoch &epoch);
std::optional<DoorEpoch> DecodeResetMessage(std::string_view json);

// pontra/<Hall>/occupancy, the live feed's JSON:
// {"count": 3, "capacity": 5, "placesLeft": 2, "state": "open", "updated": "..."}
std::string EncodeOccupancy(std::int64_t count, std::int32_t capacity, std::string_view state,
                            std::chrono::system_clock::time_point now);

// What a door knows of its hall when it stops: its own totals in the epoch
// and the other doors' last known ones, so that a door that restarts while
// the broker is away goes on from the count it showed. Its file holds
// {"epoch": "...", "in": 7, "out": 3, "doors": {"Süd": {"in": 4, "out": 1}}}.
struct DoorStateRecord {
    DoorEpoch epoch;
    DoorTotals own;
    std::map<std::string, DoorTotals, std::less<>> others;

    friend bool operator==(const DoorStateRecord &, const DoorStateRecord &) = default;
};
std::string EncodeDoorState(const DoorStateRecord &record);
std::optional<DoorStateRecord> DecodeDoorState(std::string_view json);

// The local time of an instant, to the second, with the UTC offset.
std::string LocalIsoTime(std::chrono::system_clock::time_point time);
