#include "link/DoorLink.h"

#include "files/FileRules.h"
#include "link/BrokerAddress.h"
#include "link/BrokerConnection.h"
#include "link/DoorMessages.h"
#include "link/DoorStateFile.h"
#include "link/LinkTexts.h"

#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <utility>

namespace {

using namespace std::chrono;

// A door's message is some 150 bytes; a larger one is nobody's.
constexpr std::size_t kMostPayload = 4096;
// How long a stopping door waits for the broker to confirm its last words.
constexpr auto kOfflineWait = seconds(1);

std::int32_t Shown(std::int64_t count)
{
    return count > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                           : static_cast<std::int32_t>(count);
}

// What changed, to compare with after a change.
struct Before {
    std::int64_t count;
    DoorStateRecord record;
};

// What the publisher sends in one pass.
struct Round {
    std::optional<DoorEpoch> reset;
    std::optional<DoorMessage> door;
    std::optional<std::pair<std::int64_t, std::int32_t>> occupancy;
};

} // namespace

struct DoorLink::Shared {
    Shared(DoorLinkCallbacks linkCallbacks, DoorLinkSettings linkSettings)
        : callbacks(std::move(linkCallbacks)), settings(std::move(linkSettings)),
          address(*BrokerAddress::Parse(settings.broker)), hallPrefix("pontra/" + settings.hall + "/"),
          doorPrefix(hallPrefix + "door/"), doorTopic(doorPrefix + settings.door), resetTopic(hallPrefix + "reset"),
          occupancyTopic(hallPrefix + "occupancy"), merge(settings.door), capacity(settings.capacity)
    {
    }

    const DoorLinkCallbacks callbacks;
    const DoorLinkSettings settings;
    const BrokerAddress address;
    const std::string hallPrefix;
    const std::string doorPrefix;
    const std::string doorTopic;
    const std::string resetTopic;
    const std::string occupancyTopic;

    std::mutex mutex;
    std::condition_variable wake;
    DoorMerge merge;
    std::int32_t capacity;
    // Until the retained messages were first heard, the door's own topic
    // holds its totals from before the start.
    bool restoring = true;
    // Connected, and the retained messages heard.
    bool ready = false;
    bool doorDue = false;
    bool occupancyDue = false;
    bool reportDue = false;
    // The epoch on the reset topic as last heard or sent in this connection.
    // A door whose epoch is newer sends it, also over an older reset that
    // reached the broker after it.
    DoorEpoch resetOnTopic;
    std::deque<RemoteReset> resets;
    bool stopping = false;
    steady_clock::time_point stopBy;
    bool finished = false;
    std::condition_variable done;

    // Callbacks run under it, one at a time and in order; once abandoned is
    // set, none runs again.
    std::mutex reportMutex;
    bool abandoned = false;
    std::int64_t reported = 0;
    std::optional<std::pair<bool, std::string>> connection;
    // The failure told as a notice since the link last worked.
    std::optional<BrokerConnection::Failure> noticed;
    bool stateFileFailing = false;

    std::unique_ptr<DoorStateFile> stateFile;
    std::unique_ptr<BrokerConnection> broker;

    // Under mutex, all of these.
    DoorStateRecord Record() const { return {merge.Epoch(), merge.Own(), merge.Others()}; }
    Before Mark() const { return {merge.Count(), Record()}; }
    bool Due() const { return doorDue || occupancyDue || merge.Epoch() > resetOnTopic; }

    // What is due after the merge changed; the record to store, if any.
    std::optional<DoorStateRecord> Changed(const Before &before)
    {
        DoorStateRecord now = Record();
        if (merge.Count() != before.count)
            occupancyDue = reportDue = true;
        if (now.epoch != before.record.epoch) {
            // A reset this door made itself, now or in an earlier run, is no news.
            if (now.epoch.Door() != settings.door) {
                resets.push_back({now.epoch.Id(), std::string(now.epoch.Door()), now.epoch.At()});
                reportDue = true;
            }
            doorDue = true;
        }
        if (now.own != before.record.own)
            doorDue = true;
        if (now == before.record)
            return std::nullopt;
        return now;
    }

    Round TakeRound()
    {
        Round round;
        if (merge.Epoch() > resetOnTopic)
            round.reset = resetOnTopic = merge.Epoch();
        if (std::exchange(doorDue, false))
            round.door = DoorMessage{merge.Epoch(), merge.Own(), true};
        if (std::exchange(occupancyDue, false))
            round.occupancy = {merge.Count(), capacity};
        return round;
    }

    // After the lock: store what changed and wake the publisher.
    void HandOn(const std::optional<DoorStateRecord> &record)
    {
        if (record && stateFile)
            stateFile->Save(*record);
        wake.notify_one();
    }

    void Send(const Round &round)
    {
        const auto now = system_clock::now();
        if (round.reset)
            broker->Publish(resetTopic, EncodeResetMessage(*round.reset), true);
        if (round.door)
            broker->Publish(doorTopic, EncodeDoorMessage(*round.door, now), true);
        if (round.occupancy) {
            const auto [count, hallCapacity] = *round.occupancy;
            const std::string state = callbacks.occupancyState ? callbacks.occupancyState(count, hallCapacity)
                                                               : (count >= hallCapacity ? "full" : "open");
            // At QoS 0: the count is sent anew with every change and every
            // connection, and no acknowledgement holds up the next message
            // where the broker delays small packets (Nagle).
            broker->Publish(occupancyTopic, EncodeOccupancy(count, hallCapacity, state, now), true, 0);
        }
    }

    // The network thread's side.
    std::pair<std::string, std::string> Will()
    {
        std::lock_guard lock(mutex);
        return {doorTopic, EncodeDoorMessage({merge.Epoch(), merge.Own(), false}, system_clock::now())};
    }

    void Ready()
    {
        {
            std::lock_guard lock(mutex);
            ready = true;
            restoring = false;
            doorDue = occupancyDue = true;
        }
        wake.notify_one();
        std::lock_guard report(reportMutex);
        noticed.reset();
        TellConnection(true, ConnectedText(address.Text()));
    }

    void Down(BrokerConnection::Failure failure, const std::string &reason)
    {
        {
            std::lock_guard lock(mutex);
            ready = false;
            resetOnTopic = DoorEpoch();
        }
        std::lock_guard report(reportMutex);
        TellConnection(false, reason);
        if (failure != BrokerConnection::Failure::Unreachable && noticed != failure) {
            noticed = failure;
            TellNotice(reason);
        }
    }

    void Message(std::string_view topic, std::string_view payload)
    {
        if (payload.size() > kMostPayload)
            return;
        std::optional<DoorStateRecord> record;
        if (topic.starts_with(doorPrefix)) {
            const std::string_view door = topic.substr(doorPrefix.size());
            const auto message = DecodeDoorMessage(payload);
            if (!message)
                return;
            std::lock_guard lock(mutex);
            const Before before = Mark();
            if (door != settings.door)
                merge.Heard(door, message->epoch, message->totals);
            else if (restoring)
                merge.TakeBack(message->epoch, message->totals);
            record = Changed(before);
        } else if (topic == resetTopic) {
            const auto epoch = DecodeResetMessage(payload);
            if (!epoch)
                return;
            std::lock_guard lock(mutex);
            const Before before = Mark();
            resetOnTopic = *epoch;
            merge.HeardReset(*epoch);
            record = Changed(before);
        } else {
            return;
        }
        HandOn(record);
    }

    void StateFileWriting(bool writing, const std::string &problem)
    {
        std::lock_guard report(reportMutex);
        if (!writing && !stateFileFailing)
            TellNotice(StateFileText(settings.stateFile, problem));
        stateFileFailing = !writing;
    }

    // The count and the resets, from the publisher.
    void Report()
    {
        std::lock_guard report(reportMutex);
        if (abandoned)
            return;
        std::deque<RemoteReset> told;
        std::int64_t count = 0;
        {
            std::lock_guard lock(mutex);
            told.swap(resets);
            count = merge.Count();
        }
        for (const RemoteReset &reset : told) {
            if (callbacks.remoteReset)
                callbacks.remoteReset(reset);
        }
        if (count != reported) {
            reported = count;
            if (callbacks.hallCountChanged)
                callbacks.hallCountChanged(Shown(count));
        }
    }

    // Under reportMutex.
    void TellConnection(bool connected, const std::string &reason)
    {
        if (abandoned || connection == std::pair(connected, reason))
            return;
        connection = {connected, reason};
        if (callbacks.connectionChanged)
            callbacks.connectionChanged(connected, reason);
    }

    void TellNotice(const std::string &notice)
    {
        if (!abandoned && callbacks.notice)
            callbacks.notice(notice);
    }
};

DoorLink::DoorLink(DoorLinkCallbacks callbacks)
    : callbacks_(std::move(callbacks))
{
}

DoorLink::~DoorLink()
{
    Stop();
}

std::string DoorLink::Start(const DoorLinkSettings &settings)
{
    Stop();
    if (std::string problem = SettingsProblem(settings); !problem.empty())
        return problem;
    auto shared = std::make_shared<Shared>(callbacks_, settings);
    std::string stateProblem;
    if (const auto record =
            settings.stateFile.empty() ? std::nullopt : DoorStateFile::Load(settings.stateFile, stateProblem)) {
        shared->merge.TakeBack(record->epoch, record->own);
        for (const auto &[door, totals] : record->others)
            shared->merge.Heard(door, record->epoch, totals);
    }
    shared->reported = shared->merge.Count();

    // The callbacks end before Stop() returns; the link's state outlives them.
    Shared *link = shared.get();
    if (!settings.stateFile.empty())
        shared->stateFile = std::make_unique<DoorStateFile>(
            settings.stateFile,
            [link](bool writing, const std::string &problem) { link->StateFileWriting(writing, problem); });
    BrokerConnection::Options options;
    options.address = shared->address;
    options.user = settings.user;
    options.password = settings.password;
    options.caFile = settings.caFile;
    options.clientId = shared->hallPrefix + settings.door;
    options.subscriptions = {shared->doorPrefix + "+", shared->resetTopic};
    options.syncTopic = shared->hallPrefix + "sync/" + settings.door;
    options.will = [link] { return link->Will(); };
    options.ready = [link] { link->Ready(); };
    options.message = [link](std::string_view topic, std::string_view payload) { link->Message(topic, payload); };
    options.down = [link](BrokerConnection::Failure failure, const std::string &reason) {
        link->Down(failure, reason);
    };
    shared->broker = std::make_unique<BrokerConnection>(std::move(options));
    if (std::string problem = shared->broker->Problem(); !problem.empty())
        return problem;
    // A file refused as a place to write is told by the writer, once.
    if (!stateProblem.empty() && PlaceToWrite(settings.stateFile).problem.empty()) {
        std::lock_guard report(shared->reportMutex);
        shared->TellNotice(StateFileReadText(settings.stateFile, stateProblem));
    }
    shared_ = std::move(shared);
    publisher_ = std::thread(&DoorLink::RunPublisher, shared_);
    return {};
}

void DoorLink::Stop(std::chrono::milliseconds wait)
{
    if (!shared_)
        return;
    const std::shared_ptr<Shared> shared = std::move(shared_);
    const auto deadline = steady_clock::now() + wait;
    {
        std::lock_guard lock(shared->mutex);
        shared->stopping = true;
        shared->stopBy = deadline;
    }
    shared->wake.notify_one();
    // The last record is written while the publisher says goodbye.
    if (shared->stateFile)
        shared->stateFile->Stop(deadline);
    bool finished = false;
    {
        std::unique_lock lock(shared->mutex);
        finished = shared->done.wait_until(lock, deadline, [&] { return shared->finished; });
    }
    if (finished)
        publisher_.join();
    else
        publisher_.detach();
    shared->broker->Stop(deadline);
    std::lock_guard report(shared->reportMutex);
    shared->abandoned = true;
}

bool DoorLink::LocalPassage(DoorPassage passage, std::chrono::system_clock::time_point time)
{
    if (!shared_)
        return false;
    std::optional<DoorStateRecord> record;
    {
        std::lock_guard lock(shared_->mutex);
        const Before before = shared_->Mark();
        if (!shared_->merge.Passage(passage, time))
            return false;
        record = shared_->Changed(before);
    }
    shared_->HandOn(record);
    return true;
}

void DoorLink::LocalReset(std::chrono::system_clock::time_point time)
{
    if (!shared_)
        return;
    std::optional<DoorStateRecord> record;
    {
        std::lock_guard lock(shared_->mutex);
        const Before before = shared_->Mark();
        shared_->merge.Reset(time);
        record = shared_->Changed(before);
    }
    shared_->HandOn(record);
}

void DoorLink::SetCapacity(std::int32_t capacity)
{
    if (!shared_)
        return;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->capacity = capacity;
        shared_->occupancyDue = true;
    }
    shared_->wake.notify_one();
}

std::int32_t DoorLink::Count() const
{
    if (!shared_)
        return 0;
    std::lock_guard lock(shared_->mutex);
    return Shown(shared_->merge.Count());
}

void DoorLink::RunPublisher(const std::shared_ptr<Shared> &shared)
{
    Shared &link = *shared;
    for (;;) {
        Round round;
        bool stopping = false;
        {
            std::unique_lock lock(link.mutex);
            link.wake.wait(lock, [&] { return link.stopping || link.reportDue || (link.ready && link.Due()); });
            link.reportDue = false;
            if (link.ready)
                round = link.TakeRound();
            stopping = link.stopping;
        }
        link.Report();
        // A message that finds no connection is not kept: the next
        // connection sends the door's state anew.
        link.Send(round);
        if (stopping)
            break;
    }
    bool ready = false;
    DoorMessage offline;
    steady_clock::time_point deadline;
    {
        std::lock_guard lock(link.mutex);
        ready = link.ready;
        offline = {link.merge.Epoch(), link.merge.Own(), false};
        deadline = std::min(link.stopBy, steady_clock::now() + kOfflineWait);
    }
    if (ready)
        link.broker->PublishConfirmed(link.doorTopic, EncodeDoorMessage(offline, system_clock::now()), true, deadline);
    link.broker->Disconnect();
    {
        std::lock_guard lock(link.mutex);
        link.finished = true;
    }
    link.done.notify_all();
}
