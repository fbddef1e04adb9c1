#include "feed/FeedMetrics.h"

#include "feed/FeedJson.h"

#include <algorithm>
#include <iterator>
#include <sstream>

namespace {

// The passages every hall has are listed from the start, also while 0, so
// that rates over them begin at once.
const PassageTotal kEveryHall[] = {
    {HallSource::EntryBarrier, true, 0},
    {HallSource::In, true, 0},
    {HallSource::ExitBarrier, false, 0},
    {HallSource::Out, false, 0},
};

void Family(std::ostream &out, const char *name, const char *type, const char *help)
{
    out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << ' ' << type << '\n';
}

} // namespace

std::string PassageSourceLabel(HallSource source)
{
    switch (source) {
    case HallSource::EntryBarrier:
        return "entry_barrier";
    case HallSource::ExitBarrier:
        return "exit_barrier";
    case HallSource::In:
        return "rein";
    case HallSource::Out:
        return "raus";
    default:
        return std::to_string(static_cast<unsigned>(source));
    }
}

std::string MetricsText(const FeedSnapshot &snapshot)
{
    std::vector<PassageTotal> totals(std::begin(kEveryHall), std::end(kEveryHall));
    for (const auto &total : snapshot.passages) {
        const auto same = std::find_if(totals.begin(), totals.end(), [&total](const PassageTotal &listed) {
            return listed.source == total.source && listed.in == total.in;
        });
        if (same == totals.end())
            totals.push_back(total);
        else
            same->passages = total.passages;
    }
    std::ostringstream out;
    Family(out, "pontra_occupancy", "gauge", "Besucher jetzt in der Halle.");
    out << "pontra_occupancy " << snapshot.count << '\n';
    Family(out, "pontra_capacity", "gauge", "Plätze in der Halle.");
    out << "pontra_capacity " << snapshot.capacity << '\n';
    Family(out, "pontra_passages_total", "counter", "Gezählte Durchgänge seit dem Programmstart.");
    for (const auto &total : totals) {
        out << "pontra_passages_total{direction=\"" << (total.in ? "in" : "out") << "\",source=\""
            << PassageSourceLabel(total.source) << "\"} " << total.passages << '\n';
    }
    Family(out, "pontra_barrier_blocked", "gauge", "1, solange die Lichtschranke unterbrochen ist.");
    out << "pontra_barrier_blocked{barrier=\"entry\"} " << (snapshot.entryBlocked ? 1 : 0) << '\n';
    out << "pontra_barrier_blocked{barrier=\"exit\"} " << (snapshot.exitBlocked ? 1 : 0) << '\n';
    if (snapshot.lamp) {
        // Every colour with its 0 or 1, so that a query needs no absent series.
        Family(out, "pontra_lamp_state", "gauge", "1 für die Farbe, die die Ampel an der Tür zeigt.");
        for (const LampState lamp : {LampState::Green, LampState::Amber, LampState::Red})
            out << "pontra_lamp_state{state=\"" << LampName(lamp) << "\"} " << (lamp == *snapshot.lamp ? 1 : 0) << '\n';
    }
    return out.str();
}
