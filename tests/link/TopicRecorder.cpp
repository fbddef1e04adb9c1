#include "TopicRecorder.h"

#include "MosquittoBroker.h"

#include <stdexcept>

TopicRecorder::TopicRecorder(const std::string &broker, std::vector<std::string> filters)
{
    BrokerConnection::Options options;
    options.address = *BrokerAddress::Parse(broker);
    options.clientId = "pontra-test-recorder-" + NewRunInstance();
    options.subscriptions = std::move(filters);
    options.syncTopic = "pontra-test/" + options.clientId;
    options.ready = [this] { ready_ = true; };
    options.message = [this](std::string_view topic, std::string_view payload, bool retained) {
        std::lock_guard lock(mutex_);
        heard_[std::string(topic)].push_back((retained ? "R:" : "") + std::string(payload));
    };
    connection_ = std::make_unique<BrokerConnection>(std::move(options));
    if (!WaitFor([this] { return ready_.load(); }))
        throw std::runtime_error("the recorder did not connect");
}

std::vector<std::string> TopicRecorder::Heard(const std::string &topic) const
{
    std::lock_guard lock(mutex_);
    const auto found = heard_.find(topic);
    return found == heard_.end() ? std::vector<std::string>() : found->second;
}

std::string TopicRecorder::Last(const std::string &topic) const
{
    const auto heard = Heard(topic);
    return heard.empty() ? std::string() : heard.back();
}

std::vector<std::string> TopicRecorder::Topics() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> topics;
    for (const auto &[topic, messages] : heard_)
        topics.push_back(topic);
    return topics;
}
