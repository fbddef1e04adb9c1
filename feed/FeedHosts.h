#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

// The names a request may give in its Host header: localhost, the address
// the server listens on, this computer's names and addresses, and the
// operator's own list (host names or addresses, e.g. a DNS name of the
// computer in the hall's network). Any other name is a foreign site's name
// that leads to this computer, which must not read the feed. Pages whose
// origin is on the operator's list may read the feed from another origin.
class FeedHosts {
public:
    FeedHosts() = default;
    FeedHosts(std::string_view bindAddress, const std::vector<std::string> &listed);

    // The Host header's value ("name", "name:port", "[v6]:port"). Looks at the
    // computer's addresses again, at most every few seconds, when one is not
    // known: they may change while the program runs.
    bool Serves(std::string_view host);
    // An Origin header's value ("https://name:port") of a listed name.
    bool SharesWith(std::string_view origin) const;

private:
    void ReadOwnAddresses();

    // Lower case, without a final dot.
    std::vector<std::string> names_;
    std::vector<std::string> listed_;
    // Binary, 4 or 16 bytes each.
    std::vector<std::string> addresses_;
    std::chrono::steady_clock::time_point addressesRead_;
};

// A host name or IP address as the operator's list takes it.
bool IsFeedHostName(std::string_view name);
