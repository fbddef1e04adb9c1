#include "link/BrokerLamp.h"

#include "link/BrokerAddress.h"
#include "link/BrokerConnection.h"
#include "link/LinkTexts.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono;

// How long a stopping lamp waits for the broker to confirm its red.
constexpr auto kStopConfirmWait = seconds(1);

} // namespace

struct BrokerLamp::Shared {
    // One topic with its own connection.
    struct Output {
        std::string topic;
        // The green lamp's: "on" while the hall has room, sent again every
        // refresh; else "on" while it is full.
        bool go = false;
        // Under mutex, these.
        bool ready = false;
        bool due = false;
        steady_clock::time_point refreshAt;
        // Made once in Start(), before the lamp's thread.
        std::unique_ptr<BrokerConnection> connection;
    };

    Shared(BrokerLampSettings lampSettings, std::optional<LampState> shown)
        : settings(std::move(lampSettings)), state(shown)
    {
    }

    std::string Payload(const Output &output, LampState lamp) const
    {
        const bool on = output.go ? lamp != LampState::Red : lamp == LampState::Red;
        return on ? settings.on : settings.off;
    }

    // Under mutex, these.
    bool Refreshing(const Output &output) const { return output.go && output.ready && state != LampState::Red; }
    bool Due(const Output &output, steady_clock::time_point now) const
    {
        return state && output.ready && (output.due || (Refreshing(output) && now >= output.refreshAt));
    }

    void Show(LampState lamp)
    {
        for (Output &output : outputs) {
            if (!state || Payload(output, *state) != Payload(output, lamp))
                output.due = true;
        }
        state = lamp;
    }

    // The network threads' side.
    void Connected(Output &output, bool connected)
    {
        {
            std::lock_guard lock(mutex);
            output.ready = connected;
            output.due = connected;
        }
        wake.notify_one();
    }

    const BrokerLampSettings settings;
    std::mutex mutex;
    std::condition_variable wake;
    std::optional<LampState> state;
    bool stopping = false;
    steady_clock::time_point stopBy;
    // The topics the next run drives too.
    std::set<std::string> kept;
    bool finished = false;
    std::condition_variable done;
    // Last: their threads end before the above goes.
    std::vector<Output> outputs;
};

BrokerLamp::~BrokerLamp()
{
    Stop();
}

std::string BrokerLamp::Start(const BrokerLampSettings &settings)
{
    std::set<std::string> topics;
    for (const std::string *topic : {&settings.greenTopic, &settings.redTopic}) {
        if (!topic->empty())
            topics.insert(*topic);
    }
    const auto address = BrokerAddress::Parse(settings.broker);
    // On another broker, the old one's relays are no longer driven.
    const bool sameBroker = address && shared_ && shared_->settings.broker == settings.broker;
    Finish(seconds(2), sameBroker ? topics : std::set<std::string>());
    if (!address)
        return BrokerAddressText(settings.broker);
    if (topics.empty())
        return {};

    auto shared = std::make_shared<Shared>(settings, state_);
    for (const std::string *topic : {&settings.greenTopic, &settings.redTopic}) {
        if (topic->empty())
            continue;
        Shared::Output &output = shared->outputs.emplace_back();
        output.topic = *topic;
        output.go = topic == &settings.greenTopic;
    }
    const std::string instance = NewRunInstance();
    // The outputs stay where they are from here on; the callbacks end
    // before the connections go.
    for (Shared::Output &output : shared->outputs) {
        BrokerConnection::Options options;
        options.address = *address;
        options.user = settings.user;
        options.password = settings.password;
        options.caFile = settings.caFile;
        options.clientId = "pontra/" + settings.hall + "/" + settings.door + "/lamp-" + (output.go ? "green" : "red") +
                           "/" + instance;
        options.will = [topic = output.topic, payload = shared->Payload(output, LampState::Red)] {
            return std::pair(topic, payload);
        };
        options.willRetained = true;
        Shared *lamp = shared.get();
        options.ready = [lamp, &output] { lamp->Connected(output, true); };
        options.down = [lamp, &output](BrokerConnection::Failure, const std::string &) {
            lamp->Connected(output, false);
        };
        output.connection = std::make_unique<BrokerConnection>(std::move(options));
        if (std::string problem = output.connection->Problem(); !problem.empty())
            return problem;
    }
    shared_ = std::move(shared);
    thread_ = std::thread(&BrokerLamp::Run, shared_);
    return {};
}

void BrokerLamp::Stop(milliseconds wait)
{
    Finish(wait, {});
}

void BrokerLamp::Finish(milliseconds wait, std::set<std::string> kept)
{
    if (!shared_)
        return;
    const std::shared_ptr<Shared> shared = std::move(shared_);
    const auto deadline = steady_clock::now() + wait;
    {
        std::lock_guard lock(shared->mutex);
        shared->stopping = true;
        shared->stopBy = deadline;
        shared->kept = std::move(kept);
    }
    shared->wake.notify_one();
    bool finished = false;
    {
        std::unique_lock lock(shared->mutex);
        finished = shared->done.wait_until(lock, deadline, [&] { return shared->finished; });
    }
    if (finished)
        thread_.join();
    else
        thread_.detach();
    for (Shared::Output &output : shared->outputs)
        output.connection->Stop(deadline);
}

void BrokerLamp::ShowLamp(LampState state)
{
    state_ = state;
    if (!shared_)
        return;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->Show(state);
    }
    shared_->wake.notify_one();
}

void BrokerLamp::Run(const std::shared_ptr<Shared> &shared)
{
    Shared &lamp = *shared;
    std::unique_lock lock(lamp.mutex);
    for (;;) {
        const auto due = [&] {
            const auto now = steady_clock::now();
            return lamp.stopping ||
                   std::any_of(lamp.outputs.begin(), lamp.outputs.end(),
                               [&](const Shared::Output &output) { return lamp.Due(output, now); });
        };
        // Asleep until a change, a connection or the next refresh.
        std::optional<steady_clock::time_point> refresh;
        for (const Shared::Output &output : lamp.outputs) {
            if (lamp.state && lamp.Refreshing(output))
                refresh = std::min(refresh.value_or(output.refreshAt), output.refreshAt);
        }
        if (refresh)
            lamp.wake.wait_until(lock, *refresh, due);
        else
            lamp.wake.wait(lock, due);
        if (lamp.stopping)
            break;
        const auto now = steady_clock::now();
        std::vector<std::pair<Shared::Output *, std::string>> sends;
        for (Shared::Output &output : lamp.outputs) {
            if (!lamp.Due(output, now))
                continue;
            output.due = false;
            output.refreshAt = now + lamp.settings.refresh;
            sends.emplace_back(&output, lamp.Payload(output, *lamp.state));
        }
        lock.unlock();
        // One that finds no connection is sent again with the next one.
        for (const auto &[output, payload] : sends)
            output->connection->Publish(output->topic, payload, true);
        lock.lock();
    }

    // Red on the topics no longer driven, before a clean goodbye; a red the
    // broker did not confirm is left to the will.
    std::vector<Shared::Output *> connected;
    for (Shared::Output &output : lamp.outputs) {
        if (output.ready)
            connected.push_back(&output);
    }
    const auto deadline = std::min(lamp.stopBy, steady_clock::now() + kStopConfirmWait);
    const std::set<std::string> kept = lamp.kept;
    lock.unlock();
    for (Shared::Output *output : connected) {
        if (kept.contains(output->topic) ||
            output->connection->PublishConfirmed(output->topic, lamp.Payload(*output, LampState::Red), true,
                                                 deadline))
            output->connection->Disconnect();
    }
    lock.lock();
    lamp.finished = true;
    lamp.done.notify_all();
}
