// Prints the door link's figures on loopback with a real mosquitto: with three
// doors, the time from a passage at one door to the new count at another
// (median and p99 over 2000 passages) and how long the doors take to agree
// again after the broker was away while they counted; with 10 and 50 doors,
// the messages sent into the broker per passage; with 10 doors, half of them
// cut off while all count, how long they take to agree after the heal.
// One figure per line: "name = value unit".
#include "link/BrokerConnection.h"
#include "link/DoorLink.h"

#include "link/BrokerRelay.h"
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
    Door(const MosquittoBroker &broker, const std::string &name, const std::string &address = {})
        : link(Callbacks())
    {
        DoorLinkSettings settings;
        settings.door = name;
        settings.broker = address.empty() ? broker.Address() : address;
        settings.stateFile = broker.Folder() / (name + ".json");
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
            online = connected;
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
    bool online = false;
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
        options.subscriptions = {"pontra/halle/#"};
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

bool AllAgree(const std::vector<std::unique_ptr<Door>> &doors, std::int32_t count)
{
    return std::all_of(doors.begin(), doors.end(), [&](const auto &door) { return door->link.Count() == count; });
}

// Waits until the broker has carried nothing for a while: the doors' last
// messages may be on their way still.
void Quiet(const Sniffer &sniffer)
{
    for (int seen = -1; seen != sniffer.messages;) {
        seen = sniffer.messages;
        std::this_thread::sleep_for(milliseconds(300));
    }
}

// A hall of `size` doors: the messages per passage, each door counting its
// own; with 10, the agreement after half of them were cut off.
bool ManyDoors(int size)
{
    constexpr int kRounds = 5;
    MosquittoBroker broker;
    std::vector<std::unique_ptr<BrokerRelay>> relays;
    std::vector<std::unique_ptr<Door>> doors;
    for (int i = 0; i < size; ++i) {
        relays.push_back(std::make_unique<BrokerRelay>(broker.Address()));
        char name[16];
        std::snprintf(name, sizeof name, "Tor%02d", i);
        doors.push_back(std::make_unique<Door>(broker, name, relays.back()->Address()));
    }
    Sniffer sniffer(broker);
    // Each door counted once, so that every door knows every other.
    std::int32_t expected = 0;
    const auto passAll = [&] {
        for (auto &door : doors)
            door->link.LocalPassage(DoorPassage::In);
        expected += size;
        return Until([&] { return AllAgree(doors, expected); }, seconds(60));
    };
    if (!Until([&] { return sniffer.ready && std::all_of(doors.begin(), doors.end(), [](const auto &door) {
                                 std::lock_guard lock(door->mutex);
                                 return door->ups > 0;
                             }); }, seconds(60)) || !passAll()) {
        std::fprintf(stderr, "%d doors did not agree\n", size);
        return false;
    }
    Quiet(sniffer);
    const int before = sniffer.messages;
    for (int round = 0; round < kRounds; ++round) {
        if (!passAll())
            return false;
    }
    Quiet(sniffer);
    std::printf("messages_per_passage_%d_doors = %.2f (into the broker: the counting door's totals and the hall's "
                "count)\n",
                size, static_cast<double>(sniffer.messages - before) / (kRounds * size));
    if (size != 10)
        return true;

    // Half the doors cut off, all count; then the heal.
    for (int i = 0; i < size / 2; ++i)
        relays[static_cast<std::size_t>(i)]->Cut();
    Until([&] {
        return std::none_of(doors.begin(), doors.begin() + size / 2, [](const auto &door) {
            std::lock_guard lock(door->mutex);
            return door->online;
        });
    });
    for (int i = 0; i < 10; ++i) {
        for (auto &door : doors)
            door->link.LocalPassage(DoorPassage::In);
    }
    expected += 10 * size;
    const auto heal = steady_clock::now();
    for (int i = 0; i < size / 2; ++i)
        relays[static_cast<std::size_t>(i)]->Heal();
    if (!Until([&] { return AllAgree(doors, expected); })) {
        std::fprintf(stderr, "the doors did not agree after the heal\n");
        return false;
    }
    std::printf("heal_to_agreement_10_doors = %.1f ms (5 of 10 doors cut off by resets; the next try to connect "
                "included)\n",
                duration<double, std::milli>(steady_clock::now() - heal).count());
    return true;
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
    for (int i = 0; i < kPassages; ++i) {
        const bool in = i % 2 == 0;
        const auto start = steady_clock::now();
        nord.link.LocalPassage(in ? DoorPassage::In : DoorPassage::Out);
        if (!sued.WaitFor(in ? 1 : 0, start + seconds(5))) {
            std::fprintf(stderr, "passage %d did not reach Süd\n", i);
            return 1;
        }
        latency.push_back(duration<double, std::milli>(steady_clock::now() - start).count());
        // Every door has heard it before the next one, so that each passage
        // is timed alone.
        Until([&] { return west.link.Count() == (in ? 1 : 0) && nord.link.Count() == (in ? 1 : 0); });
    }
    std::printf("passage_to_other_door_median = %.3f ms\n", Percentile(latency, 0.5));
    std::printf("passage_to_other_door_p99 = %.3f ms\n", Percentile(latency, 0.99));
    std::printf("passage_to_other_door_max = %.3f ms\n", Percentile(latency, 1.0));

    // The broker goes away while every door counts; then it comes back.
    broker.Stop();
    for (int i = 0; i < kPassagesWhileAway; ++i)
        doors[static_cast<std::size_t>(i) % doors.size()]->link.LocalPassage(DoorPassage::In);
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
    for (const int size : {10, 50}) {
        if (!ManyDoors(size))
            return 1;
    }
    return 0;
}
