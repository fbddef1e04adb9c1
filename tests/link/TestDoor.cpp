#include "TestDoor.h"

#include "MosquittoBroker.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <stdexcept>

TestDoor::TestDoor(DoorLinkSettings doorSettings)
    : settings(std::move(doorSettings))
{
    Restart();
}

void TestDoor::Restart()
{
    link_.reset();
    DoorLinkCallbacks callbacks;
    const auto record = [this](auto change) {
        return [this, change](const auto &...told) {
            std::lock_guard lock(mutex_);
            change(told...);
        };
    };
    callbacks.hallCountChanged = record([this](DoorCount count) { told_.counts.push_back(count.count); });
    callbacks.connectionChanged = record([this](bool connected, const std::string &reason) {
        told_.connected = connected;
        told_.ups += connected ? 1 : 0;
        told_.reason = reason;
    });
    callbacks.notice = record([this](const std::string &notice) { told_.notices.push_back(notice); });
    callbacks.remoteReset = record([this](const RemoteReset &reset) { told_.resets.push_back(reset); });
    link_ = std::make_unique<DoorLink>(callbacks);
    if (const std::string problem = link_->Start(settings); !problem.empty())
        throw std::runtime_error(problem);
}

bool TestDoor::Shows(std::int32_t count) const
{
    std::lock_guard lock(mutex_);
    return link_->Count() == count && !told_.counts.empty() && told_.counts.back() == count;
}

TestDoor::Told TestDoor::Heard() const
{
    std::lock_guard lock(mutex_);
    return told_;
}

TopicWatch::TopicWatch(const std::string &broker, const std::string &hall)
    : prefix_("pontra/" + hall + "/")
{
    BrokerConnection::Options options;
    options.address = *BrokerAddress::Parse(broker);
    options.clientId = "pontra-test-watch";
    options.subscriptions = {prefix_ + "#"};
    options.syncTopic = "pontra-test/watch";
    options.ready = [this] { ready_ = true; };
    options.message = [this](std::string_view topic, std::string_view payload, bool) {
        std::lock_guard lock(mutex_);
        last_[std::string(topic.substr(prefix_.size()))] = std::string(payload);
    };
    connection_ = std::make_unique<BrokerConnection>(std::move(options));
}

std::string TopicWatch::Last(const std::string &topic) const
{
    std::lock_guard lock(mutex_);
    const auto found = last_.find(topic);
    return found == last_.end() ? std::string() : found->second;
}

namespace {

QJsonValue Field(const std::string &json, const char *field)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(json)).object().value(field);
}

} // namespace

std::int64_t TopicWatch::Number(const std::string &topic, const char *field) const
{
    const QJsonValue value = Field(Last(topic), field);
    return value.isDouble() ? value.toInteger() : -1;
}

void TopicWatch::Publish(const std::string &topic, const std::string &payload, bool retain)
{
    if (!WaitFor([this] { return ready_.load(); }) || !connection_->Publish(prefix_ + topic, payload, retain))
        throw std::runtime_error("the watch cannot publish");
}

std::string TopicWatch::Text(const std::string &topic, const char *field) const
{
    return Field(Last(topic), field).toString().toStdString();
}
