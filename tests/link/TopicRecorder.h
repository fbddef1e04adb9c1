#pragma once

#include "link/BrokerConnection.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// Every message on some topics (filters allowed), in the order it came, as a
// client of its own sees them; "R:" before one the broker kept from before.
// Ready once its subscriptions are in place.
class TopicRecorder {
public:
    // broker: "127.0.0.1:port"
    TopicRecorder(const std::string &broker, std::vector<std::string> filters);

    std::vector<std::string> Heard(const std::string &topic) const;
    // Empty when none came.
    std::string Last(const std::string &topic) const;
    std::vector<std::string> Topics() const;

private:
    std::atomic<bool> ready_{false};
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<std::string>, std::less<>> heard_;
    std::unique_ptr<BrokerConnection> connection_;
};
