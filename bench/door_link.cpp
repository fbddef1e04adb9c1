// Prints the door link's figures on loopback with a real mosquitto and three
// doors: the time from a passage at one door to the new count at another
// (median and p99 over 2000 passages), the messages the broker carries per
// passage, and how long the doors take to agree again after the broker was
// away while they counted. One figure per line: "name = value unit".
#include "link/BrokerConnection.h"
#include "link/DoorLink.h"

#include "link/MosquittoBroker.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono;

constexpr int kPassages = 2000;
constexpr int kPassagesWhileAway = 300;

double Percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * static_cast<double>(values.size())))];
}

// A door whose told counts a caller can wait for.
struct Door {
    Door(const MosquittoBroker &broker, const char *name)
        : link(Callbacks())
    {
        DoorLinkSettings settings;
        settings.door = name;
        settings.broker = broker.Address();
        settings.stateFile = broker.Folder() / (std::string(name) + ".json");
        if (!link.Start(settings).empty())
            std::abort();
    }

    DoorLinkCallbacks Callbacks()
    {
        DoorLinkCallbacks callbacks;
        callbacks.hallCountChanged = [this](DoorCount told) {
            {
                std::lock_guard lock(mutex);
                count = told.count;
            }
            changed.notify_all();
        };
        callbacks.connectionChanged = [this](bool connected, const std::string &) {
            std::lock_guard lock(mutex);
            ups += connected ? 1 : 0;
            if (connected)
                cameUp = steady_clock::now();
        };
        return callbacks;
    }

    bool WaitFor(std::int32_t expected, steady_clock::time_point deadline)
    {
        std::unique_lock lock(mutex);
        return changed.wait_until(lock, deadline, [&] { return count == expected; });
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::int32_t count = 0;
    int ups = 0;
    steady_clock::time_point cameUp;
    DoorLink link;
};

// Counts the messages the broker delivers of the hall's topics.
struct Sniffer {
    explicit Sniffer(const MosquittoBroker &broker)
    {
        BrokerConnection::Options options;
        options.address = *BrokerAddress::Parse(broker.Address());
        options.clientId = "bench-sniffer";
        options.subscriptions = {"pontra/halle/door/#", "pontra/halle/reset", "pontra/halle/occupancy"};
        options.syncTopic = "bench/sniffer";
        options.ready = [this] { ready = true; };
        options.message = [this](std::string_view, std::string_view, bool) { ++messages; };
        connection = std::make_unique<BrokerConnection>(std::move(options));
    }

    std::atomic<bool> ready{false};
    std::atomic<int> messages{0};
    std::unique_ptr<BrokerConnection> connection;
};

bool Until(const std::function<bool()> &condition, seconds timeout = seconds(30))
{
    return WaitFor(condition, timeout);
}

} // namespace

int main()
{
    MosquittoBroker::Options options;
    options.persistent = true;
    MosquittoBroker broker(options);
    Door nord(broker, "Nord");
    Door sued(broker, "Süd");
    Door west(broker, "West");
    Sniffer sniffer(broker);
    std::vector<Door *> doors = {&nord, &sued, &west};
    if (!Until([&] {
            return sniffer.ready && std::all_of(doors.begin(), doors.end(), [](Door *door) {
                       std::lock_guard lock(door->mutex);
                       return door->ups > 0;
                   });
        })) {
        std::fprintf(stderr, "the doors did not connect\n");
        return 1;
    }

    // In and out in turn: every passage changes the count, 1, 0, 1, ...
    std::vector<double> latency;
    const int before = sniffer.messages;
    for (int i = 0; i < kPassages; ++i) {
        const bool in = i % 2 == 0;
        const auto start = steady_clock::now();
        nord.link.LocalPassage(in ? DoorPassage::In : DoorPassage::Out, system_clock::now());
        if (!sued.WaitFor(in ? 1 : 0, start + seconds(5))) {
            std::fprintf(stderr, "passage %d did not reach Süd\n", i);
            return 1;
        }
        latency.push_back(duration<double, std::milli>(steady_clock::now() - start).count());
        // Every door has heard it before the next one, so that each passage
        // is timed alone.
        Until([&] { return west.link.Count() == (in ? 1 : 0) && nord.link.Count() == (in ? 1 : 0); });
    }
    // The doors' last messages are on their way still: count until the
    // broker has been quiet for a while.
    for (int seen = -1; seen != sniffer.messages;) {
        seen = sniffer.messages;
        std::this_thread::sleep_for(milliseconds(300));
    }
    const int afterPassages = sniffer.messages;
    std::printf("passage_to_other_door_median = %.3f ms\n", Percentile(latency, 0.5));
    std::printf("passage_to_other_door_p99 = %.3f ms\n", Percentile(latency, 0.99));
    std::printf("passage_to_other_door_max = %.3f ms\n", Percentile(latency, 1.0));
    std::printf("messages_per_passage = %.2f (published: the door's topic and each door's occupancy)\n",
                static_cast<double>(afterPassages - before) / kPassages);

    // The broker goes away while every door counts; then it comes back.
    broker.Stop();
    for (int i = 0; i < kPassagesWhileAway; ++i)
        doors[static_cast<std::size_t>(i) % doors.size()]->link.LocalPassage(DoorPassage::In, system_clock::now());
    const std::int32_t expected = kPassagesWhileAway; // from 0, where the passages above ended
    if (!broker.Start())
        return 1;
    const auto back = steady_clock::now();
    if (!Until([&] {
            return std::all_of(doors.begin(), doors.end(), [&](Door *door) { return door->link.Count() == expected; });
        })) {
        std::fprintf(stderr, "the doors did not agree again\n");
        return 1;
    }
    const auto agreed = steady_clock::now();
    steady_clock::time_point lastUp = back;
    for (Door *door : doors) {
        std::lock_guard lock(door->mutex);
        lastUp = std::max(lastUp, door->cameUp);
    }
    std::printf("broker_back_to_agreement = %.1f ms (the reconnect's back-off included)\n",
                duration<double, std::milli>(agreed - back).count());
    std::printf("last_reconnect_to_agreement = %.1f ms\n", duration<double, std::milli>(agreed - lastUp).count());
    return 0;
}
