#pragma once

#include "feed/FeedSnapshot.h"
#include "journal/JournalRow.h"

#include <chrono>
#include <string>
#include <vector>

// The hall now, as one line of JSON: {"capacity":5,"count":3,"placesLeft":2,
// "state":"open","updated":"2026-12-09T14:03:12+01:00","warnings":[]}, with
// "lamp":"green"|"amber"|"red" while the stop lamp is on.
std::string OccupancyJson(const FeedSnapshot &snapshot);

// The stop lamp's colour for programs: "green", "amber" or "red".
const char *LampName(LampState lamp);

// The journal's rows of one day: {"date":"2026-12-09","rows":[{"time":…,
// "source":"Lichtschranke Eingang","sourceCode":1,"change":"up","count":3,
// "capacity":5},…]}.
std::string DayJson(std::chrono::year_month_day date, const std::vector<JournalRow> &rows);

// A moment in the local time of this computer, ISO 8601 with its offset.
std::string FeedTimeText(std::chrono::system_clock::time_point time);
