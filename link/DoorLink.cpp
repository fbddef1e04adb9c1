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
#include <set>
#include <utility>

namespace {

using namespace std::chrono;

// A door's message is some 150 bytes, an answer or a reset with 50 doors
// some 3 KB; a larger one is nobody's.
constexpr std::size_t kMostPayload = 64 * 1024;
// How long a stopping door waits for the broker to confirm its last words.
constexpr auto kOfflineWait = seconds(1);
// How long a door that lost its totals waits for the other doors' answers
// before it sends its own.
constexpr auto kRecoverWait = seconds(3);
// The occupancy messages a door remembers having sent, to tell them from
// someone else's.
constexpr std::size_t kOccupancyKept = 8;

std::int32_t Shown(std::int64_t count)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(count, 0, std::numeric_limits<std::int32_t>::max()));
}

// What changed, to compare with after a change.
struct Before {
    std::int64_t count;
    DoorEpoch epoch;
    DoorTotals own;
    bool leads;
};

// What the publisher sends in one pass.
struct Round {
    std::optional<DoorReset> reset;
    std::optional<DoorMessage> door;
    std::optional<DoorMessage> request;
    std::optional<DoorMessage> answer;
    std::optional<std::pair<std::int64_t, std::int32_t>> occupancy;
};

} // namespace

struct DoorLink::Shared {
    Shared(DoorLinkCallbacks linkCallbacks, DoorLinkSettings linkSettings)
        : callbacks(std::move(linkCallbacks)), settings(std::move(linkSettings)),
          address(*BrokerAddress::Parse(settings.broker)), hallPrefix("pontra/" + settings.hall + "/"),
          doorPrefix(hallPrefix + "door/"), doorTopic(doorPrefix + settings.door), resetTopic(hallPrefix + "reset"),
          occupancyTopic(hallPrefix + "occupancy"), instance(NewRunInstance()), merge(settings.door),
          capacity(settings.capacity)
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
    const std::string instance;

    std::mutex mutex;
    std::condition_variable wake;
    DoorMerge merge;
    std::int32_t capacity;
    // One more with every change of the count.
    std::uint64_t version = 0;
    // Until the retained messages were first heard: the door takes its own
    // totals back from its topic and the reset's baseline.
    bool restoring = true;
    // The door's totals came from its state file or its topic.
    bool ownKnown = false;
    // Without them, it asks the others and waits for their answers (or
    // until recoverBy) before it sends its totals.
    bool recovering = false;
    steady_clock::time_point recoverBy;
    std::set<std::string, std::less<>> answered;
    bool tookView = false;
    // Connected, and the retained messages heard.
    bool ready = false;
    bool doorDue = false;
    bool requestDue = false;
    std::set<std::string, std::less<>> answerDue;
    bool occupancyDue = false;
    bool reportDue = false;
    // The epoch on the reset topic as last heard or sent in this connection;
    // empty when unknown or unreadable. A door whose epoch differs sends its
    // own: over an older reset that reached the broker after it, and over
    // one it did not take (a forged one).
    std::optional<DoorEpoch> resetOnTopic;
    std::deque<std::string> occupancySent;
    // Live messages on the door's own topic from other runs, by run. A
    // second one from the same run is another computer with this name.
    std::map<std::string, int, std::less<>> foreign;
    bool duplicate = false;
    bool lastWordDue = false;
    std::deque<RemoteReset> resets;
    std::deque<std::string> notices;
    bool stopping = false;
    steady_clock::time_point stopBy;
    bool finished = false;
    std::condition_variable done;

    // Callbacks run under it, one at a time and in order; once abandoned is
    // set, none runs again.
    std::mutex reportMutex;
    bool abandoned = false;
    std::uint64_t reported = 0;
    std::optional<std::pair<bool, std::string>> connection;
    // The failure told as a notice since the link last worked.
    std::optional<BrokerConnection::Failure> noticed;
    bool stateFileFailing = false;

    std::unique_ptr<DoorStateFile> stateFile;
    std::unique_ptr<BrokerConnection> broker;

    // Under mutex, all of these.
    DoorStateRecord Record() const { return {merge.LastReset(), merge.Own(), merge.OthersTotals(), merge.Clock()}; }
    Before Mark() const { return {merge.Count(), merge.Epoch(), merge.Own(), merge.Leads()}; }
    // Until the door knows its totals, it says only those from before its
    // start: the others' view of it, which it takes back, must not hold
    // what it counted since.
    DoorReport Saying(bool online) const
    {
        return {instance, online, restoring || recovering ? merge.TakenBack() : merge.Own(), merge.Clock()};
    }
    bool Sending() const { return ready && !duplicate; }
    bool Due() const
    {
        if (duplicate)
            return lastWordDue;
        return (doorDue && !recovering) || requestDue || (!answerDue.empty() && !recovering) ||
               (occupancyDue && merge.Leads()) || ResetDue();
    }
    bool ResetDue() const { return !merge.Epoch().Initial() && resetOnTopic != merge.Epoch(); }

    // What is due after the merge changed; the record to store, if any: the
    // door stores its own passages and resets, not every other door's.
    std::optional<DoorStateRecord> Changed(const Before &before)
    {
        bool store = false;
        if (merge.Count() != before.count) {
            ++version;
            occupancyDue = reportDue = true;
        }
        if (merge.Leads() && !before.leads)
            occupancyDue = true;
        if (merge.Epoch() != before.epoch) {
            // A reset this door made itself, now or in an earlier run, is no news.
            if (merge.Epoch().Door() != settings.door) {
                resets.push_back({merge.Epoch().Text(), merge.Epoch().Door()});
                reportDue = true;
            }
            store = true;
        }
        if (merge.Own() != before.own) {
            doorDue = true;
            store = true;
        }
        if (!store)
            return std::nullopt;
        return Record();
    }

    // Ends the wait for the others' answers when each door online has
    // answered or the time is up.
    void EndRecovery(steady_clock::time_point now)
    {
        if (!recovering)
            return;
        const auto &others = merge.Others();
        const bool allAnswered = std::all_of(others.begin(), others.end(), [&](const auto &other) {
            return !other.second.online || answered.contains(other.first);
        });
        if (!allAnswered && now < recoverBy)
            return;
        recovering = false;
        doorDue = true;
        if (tookView) {
            notices.push_back(RecoveredText(merge.Own().in, merge.Own().out));
            reportDue = true;
        }
    }

    Round TakeRound()
    {
        Round round;
        if (duplicate) {
            if (std::exchange(lastWordDue, false))
                round.door = DoorMessage{Saying(true), false, {}};
            return round;
        }
        if (ResetDue()) {
            resetOnTopic = merge.Epoch();
            round.reset = merge.LastReset();
        }
        if (std::exchange(requestDue, false))
            round.request = DoorMessage{Saying(true), true, {}};
        if (!recovering) {
            if (std::exchange(doorDue, false))
                round.door = DoorMessage{Saying(true), false, {}};
            if (!answerDue.empty()) {
                DoorMessage answer{Saying(true), false, {}};
                const auto &others = merge.Others();
                for (const std::string &door : answerDue) {
                    if (const auto known = others.find(door); known != others.end())
                        answer.views.emplace(door, known->second.totals);
                }
                answerDue.clear();
                round.answer = std::move(answer);
            }
        }
        if (std::exchange(occupancyDue, false) && merge.Leads())
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
            broker->Publish(resetTopic, EncodeResetMessage(*round.reset, now), true);
        if (round.door)
            broker->Publish(doorTopic, EncodeDoorMessage(*round.door, now), true);
        // Questions and answers are for those online now: not retained.
        if (round.request)
            broker->Publish(doorTopic, EncodeDoorMessage(*round.request, now), false);
        if (round.answer)
            broker->Publish(doorTopic, EncodeDoorMessage(*round.answer, now), false);
        if (round.occupancy) {
            const auto [count, hallCapacity] = *round.occupancy;
            const std::string state = callbacks.occupancyState ? callbacks.occupancyState(count, hallCapacity)
                                                               : (count >= hallCapacity ? "full" : "open");
            std::string payload = EncodeOccupancy(count, hallCapacity, state, now);
            {
                std::lock_guard lock(mutex);
                occupancySent.push_back(payload);
                if (occupancySent.size() > kOccupancyKept)
                    occupancySent.pop_front();
            }
            // At QoS 0: the count is sent anew with every change and every
            // connection, and no acknowledgement holds up the next message
            // where the broker delays small packets (Nagle).
            broker->Publish(occupancyTopic, payload, true, 0);
        }
    }

    // The network thread's side.
    std::pair<std::string, std::string> Will()
    {
        std::lock_guard lock(mutex);
        return {doorTopic, EncodeDoorMessage({Saying(false), false, {}}, system_clock::now())};
    }

    void Ready()
    {
        bool duplicated = false;
        {
            std::lock_guard lock(mutex);
            ready = true;
            if (std::exchange(restoring, false) && !ownKnown) {
                recovering = true;
                recoverBy = steady_clock::now() + kRecoverWait;
            }
            doorDue = occupancyDue = true;
            EndRecovery(steady_clock::now());
            requestDue = recovering;
            duplicated = duplicate;
        }
        wake.notify_one();
        std::lock_guard report(reportMutex);
        noticed.reset();
        if (!duplicated)
            TellConnection(true, ConnectedText(address.Text()));
    }

    void Down(BrokerConnection::Failure failure, const std::string &reason)
    {
        bool duplicated = false;
        {
            std::lock_guard lock(mutex);
            ready = false;
            resetOnTopic.reset();
            duplicated = duplicate;
        }
        std::lock_guard report(reportMutex);
        if (!duplicated)
            TellConnection(false, reason);
        if (failure != BrokerConnection::Failure::Unreachable && noticed != failure) {
            noticed = failure;
            TellNotice(reason);
        }
    }

    void Message(std::string_view topic, std::string_view payload, bool retained)
    {
        if (payload.size() > kMostPayload)
            return;
        std::optional<DoorStateRecord> record;
        bool duplicated = false;
        if (topic.starts_with(doorPrefix)) {
            const std::string_view door = topic.substr(doorPrefix.size());
            const auto message = DecodeDoorMessage(payload);
            if (!message)
                return;
            std::lock_guard lock(mutex);
            const Before before = Mark();
            if (door == settings.door)
                duplicated = OwnTopic(*message, retained);
            else
                HeardDoor(door, *message, retained);
            record = Changed(before);
        } else if (topic == resetTopic) {
            const auto reset = DecodeResetMessage(payload);
            std::lock_guard lock(mutex);
            if (!reset) {
                resetOnTopic.reset();
                wake.notify_one();
                return;
            }
            const Before before = Mark();
            resetOnTopic = reset->epoch;
            if (restoring || recovering) {
                if (const auto own = reset->baseline.find(settings.door); own != reset->baseline.end())
                    merge.TakeBack(own->second);
            }
            merge.HeardReset(*reset);
            record = Changed(before);
        } else if (topic == occupancyTopic) {
            // An output: never the count, but a foreign one is put right.
            std::lock_guard lock(mutex);
            if (std::find(occupancySent.begin(), occupancySent.end(), payload) == occupancySent.end())
                occupancyDue = true;
        } else {
            return;
        }
        HandOn(record);
        if (duplicated) {
            std::lock_guard report(reportMutex);
            TellConnection(false, DuplicateDoorText(settings.door));
            TellNotice(DuplicateDoorText(settings.door));
        }
    }

    // Under mutex: a message on the door's own topic. True when it shows
    // another computer using this door's name, the first time.
    bool OwnTopic(const DoorMessage &message, bool retained)
    {
        if (retained) {
            // The door's own last words, from before it started.
            if (restoring) {
                merge.TakeBack(message.report.totals);
                ownKnown = true;
            }
            return false;
        }
        if (message.report.instance == instance || !message.report.online || duplicate)
            return false;
        // Another run writes here: a copy of the message once (put right
        // by sending the door's own again), another computer again and again.
        if (++foreign[message.report.instance] < 2) {
            doorDue = true;
            return false;
        }
        duplicate = lastWordDue = true;
        return true;
    }

    // Under mutex: another door's message.
    void HeardDoor(std::string_view door, const DoorMessage &message, bool retained)
    {
        merge.Heard(door, message.report);
        if (restoring || recovering) {
            if (const auto view = message.views.find(settings.door); view != message.views.end()) {
                merge.TakeBack(view->second);
                tookView = tookView || view->second != DoorTotals();
            }
        }
        if (retained)
            return;
        if (recovering) {
            answered.insert(std::string(door));
            EndRecovery(steady_clock::now());
        }
        if (message.request && ready)
            answerDue.insert(std::string(door));
    }

    void StateFileWriting(bool writing, const std::string &problem)
    {
        std::lock_guard report(reportMutex);
        if (!writing && !stateFileFailing)
            TellNotice(StateFileText(settings.stateFile, problem));
        stateFileFailing = !writing;
    }

    // The count, the resets and the notices, from the publisher.
    void Report()
    {
        std::lock_guard report(reportMutex);
        if (abandoned)
            return;
        std::deque<RemoteReset> told;
        std::deque<std::string> said;
        DoorCount count;
        {
            std::lock_guard lock(mutex);
            told.swap(resets);
            said.swap(notices);
            count = {Shown(merge.Count()), version};
        }
        for (const RemoteReset &reset : told) {
            if (callbacks.remoteReset)
                callbacks.remoteReset(reset);
        }
        for (const std::string &notice : said)
            TellNotice(notice);
        // Every change, also back to the count told last: the receiver may
        // have had a newer one from LocalPassage() meanwhile.
        if (count.version != reported) {
            reported = count.version;
            if (callbacks.hallCountChanged)
                callbacks.hallCountChanged(count);
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
        shared->merge.TakeBack(record->own);
        shared->merge.Resume(record->clock, record->reset, record->others);
        shared->ownKnown = true;
    }

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
    // Two computers with one door's name each keep their own session, so
    // that they find each other out instead of pushing each other off.
    options.clientId = shared->hallPrefix + settings.door + "/" + shared->instance;
    options.subscriptions = {shared->doorPrefix + "+", shared->resetTopic, shared->occupancyTopic};
    options.syncTopic = shared->hallPrefix + "sync/" + settings.door;
    options.will = [link] { return link->Will(); };
    options.ready = [link] { link->Ready(); };
    options.message = [link](std::string_view topic, std::string_view payload, bool retained) {
        link->Message(topic, payload, retained);
    };
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
        // The others' totals too, as last heard, for a start without the broker.
        if (shared->stateFile)
            shared->stateFile->Save(shared->Record());
    }
    shared->wake.notify_one();
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

bool DoorLink::LocalPassage(DoorPassage passage)
{
    if (!shared_)
        return false;
    std::optional<DoorStateRecord> record;
    {
        std::lock_guard lock(shared_->mutex);
        const Before before = shared_->Mark();
        if (!shared_->merge.Passage(passage))
            return false;
        record = shared_->Changed(before);
    }
    shared_->HandOn(record);
    return true;
}

void DoorLink::LocalReset()
{
    if (!shared_)
        return;
    std::optional<DoorStateRecord> record;
    {
        std::lock_guard lock(shared_->mutex);
        const Before before = shared_->Mark();
        shared_->merge.Reset();
        record = shared_->Changed(before);
        // Its clock is in its totals' message: the others take the reset
        // as soon as they hear either.
        shared_->doorDue = true;
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

DoorCount DoorLink::Current() const
{
    if (!shared_)
        return {};
    std::lock_guard lock(shared_->mutex);
    return {Shown(shared_->merge.Count()), shared_->version};
}

std::vector<std::string> DoorLink::OtherDoors() const
{
    std::vector<std::string> names;
    if (!shared_)
        return names;
    std::lock_guard lock(shared_->mutex);
    for (const auto &[name, other] : shared_->merge.Others())
        names.push_back(name);
    return names;
}

void DoorLink::RunPublisher(const std::shared_ptr<Shared> &shared)
{
    Shared &link = *shared;
    for (;;) {
        Round round;
        bool stopping = false;
        {
            std::unique_lock lock(link.mutex);
            const auto due = [&] { return link.stopping || link.reportDue || (link.ready && link.Due()); };
            if (link.recovering)
                link.wake.wait_until(lock, link.recoverBy, due);
            else
                link.wake.wait(lock, due);
            link.EndRecovery(steady_clock::now());
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
    bool sending = false;
    DoorMessage offline;
    steady_clock::time_point deadline;
    {
        std::lock_guard lock(link.mutex);
        sending = link.Sending() && !link.recovering;
        offline = {link.Saying(false), false, {}};
        deadline = std::min(link.stopBy, steady_clock::now() + kOfflineWait);
    }
    if (sending)
        link.broker->PublishConfirmed(link.doorTopic, EncodeDoorMessage(offline, system_clock::now()), true, deadline);
    link.broker->Disconnect();
    {
        std::lock_guard lock(link.mutex);
        link.finished = true;
    }
    link.done.notify_all();
}
