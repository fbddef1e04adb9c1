#pragma once

#include "feed/FeedSnapshot.h"

#include <string>

// The hall in Prometheus' text format 0.0.4: pontra_occupancy,
// pontra_capacity, pontra_passages_total{direction,source},
// pontra_barrier_blocked{barrier} and, while the stop lamp is on,
// pontra_lamp_state{state} (1 for its colour, 0 for the others), each with
// its HELP and TYPE lines.
std::string MetricsText(const FeedSnapshot &snapshot);

// The metrics' name of a source: entry_barrier, exit_barrier, rein, raus;
// the number of one this program does not name.
std::string PassageSourceLabel(HallSource source);
