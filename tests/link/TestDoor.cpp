#include "TestDoor.h"

#include <QJsonDocument>
#include <QJsonObject>

TestDoor::TestDoor(DoorLinkSettings settings)
    : settings_(std::move(settings))
{
    Restart();
}

void TestDoor::Restart()
{
    link_.reset();
    link_ = std::make_unique<DoorLink>(Callbacks());
    const std::string problem = link_->Start(settings_);
    if (!problem.empty())
        throw std::runtime_error(problem);
}

DoorLinkCallbacks TestDoor::Callbacks()
{
    DoorLinkCallbacks callbacks;
    callbacks.hallCountChanged = [this](std::int32_t count) {
        std::lock_guard lock(mutex_);
        told_.push_back(count);
    };
    callbacks.connectionChanged = [this](bool connected, const std::string &reason) {
        std::lock_guard lock(mutex_);
        connected_ = connected;
        ups_ += connected ? 1 : 0;
        reason_ = reason;
    };
    callbacks.notice = [this](const std::string &notice) {
        std::lock_guard lock(mutex_);
        notices_.push_back(notice);
    };
    callbacks.remoteReset = [this](const RemoteReset &reset) {
        std::lock_guard lock(mutex_);
        resets_.push_back(reset);
    };
    return callbacks;
}

bool TestDoor::Shows(std::int32_t count) const
{
    std::lock_guard lock(mutex_);
    return link_->Count() == count && !told_.empty() && told_.back() == count;
}

bool TestDoor::Connected() const
{
    std::lock_guard lock(mutex_);
    return connected_;
}

int TestDoor::Ups() const
{
    std::lock_guard lock(mutex_);
    return ups_;
}

std::string TestDoor::Reason() const
{
    std::lock_guard lock(mutex_);
    return reason_;
}

std::vector<std::int32_t> TestDoor::Told() const
{
    std::lock_guard lock(mutex_);
    return told_;
}

std::vector<std::string> TestDoor::Notices() const
{
    std::lock_guard lock(mutex_);
    return notices_;
}

std::vector<RemoteReset> TestDoor::Resets() const
{
    std::lock_guard lock(mutex_);
    return resets_;
}

TopicWatch::TopicWatch(const std::string &broker, const std::string &hall)
    : prefix_("pontra/" + hall + "/")
{
    BrokerConnection::Options options;
    options.address = *BrokerAddress::Parse(broker);
    options.clientId = "pontra-test-watch";
    options.subscriptions = {prefix_ + "#"};
    options.syncTopic = "pontra-test/watch";
    options.ready = [this] {
        std::lock_guard lock(mutex_);
        ready_ = true;
    };
    options.message = [this](std::string_view topic, std::string_view payload) {
        std::lock_guard lock(mutex_);
        last_[std::string(topic.substr(prefix_.size()))] = std::string(payload);
        ++messages_;
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

std::string TopicWatch::Text(const std::string &topic, const char *field) const
{
    return Field(Last(topic), field).toString().toStdString();
}

int TopicWatch::Messages() const
{
    std::lock_guard lock(mutex_);
    return messages_;
}

bool TopicWatch::Ready() const
{
    std::lock_guard lock(mutex_);
    return ready_;
}
