#include "feed/FeedHosts.h"

#include "feed/HostAddresses.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr auto kAddressesValid = std::chrono::seconds(5);

std::string Lowered(std::string_view name)
{
    std::string lowered(name);
    for (char &c : lowered)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lowered.ends_with('.'))
        lowered.pop_back();
    return lowered;
}

// The name in a Host header's value, lowered; empty when malformed.
std::string HostName(std::string_view host)
{
    std::string_view name = host;
    std::string_view port;
    if (host.starts_with('[')) {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos)
            return {};
        name = host.substr(1, close - 1);
        port = host.substr(close + 1);
        if (!port.empty() && !port.starts_with(':'))
            return {};
    } else if (const std::size_t colon = host.find(':'); colon != std::string_view::npos) {
        name = host.substr(0, colon);
        port = host.substr(colon);
    }
    if (!port.empty() && port.find_first_not_of("0123456789", 1) != std::string_view::npos)
        return {};
    return Lowered(name);
}

bool Contains(const std::vector<std::string> &list, const std::string &item)
{
    return std::ranges::find(list, item) != list.end();
}

} // namespace

FeedHosts::FeedHosts(std::string_view bindAddress, const std::vector<std::string> &listed)
{
    names_ = {"localhost", Lowered(bindAddress)};
    if (const std::string own = OwnHostName(); !own.empty()) {
        const std::string full = Lowered(own);
        const std::string first = full.substr(0, full.find('.'));
        // Also under its name in the local network's multicast DNS.
        names_.insert(names_.end(), {full, first, first + ".local"});
    }
    for (const std::string &name : listed) {
        listed_.push_back(Lowered(name));
        names_.push_back(listed_.back());
    }
    ReadOwnAddresses();
}

bool FeedHosts::Serves(std::string_view host)
{
    const std::string name = HostName(host);
    if (name.empty())
        return false;
    if (Contains(names_, name))
        return true;
    const std::string binary = AddressBytes(name);
    if (binary.empty())
        return false;
    if (IsLoopbackBytes(binary) || Contains(addresses_, binary))
        return true;
    if (std::chrono::steady_clock::now() - addressesRead_ < kAddressesValid)
        return false;
    ReadOwnAddresses();
    return Contains(addresses_, binary);
}

bool FeedHosts::SharesWith(std::string_view origin) const
{
    const std::size_t scheme = origin.find("://");
    if (scheme == std::string_view::npos)
        return false;
    const std::string_view kind = origin.substr(0, scheme);
    const std::string_view rest = origin.substr(scheme + 3);
    if ((kind != "http" && kind != "https") || rest.find('/') != std::string_view::npos)
        return false;
    const std::string name = HostName(rest);
    return !name.empty() && Contains(listed_, name);
}

void FeedHosts::ReadOwnAddresses()
{
    addressesRead_ = std::chrono::steady_clock::now();
    addresses_ = OwnAddressBytes();
}

bool IsFeedHostName(std::string_view name)
{
    if (!AddressBytes(name).empty())
        return true;
    // Labels of letters, digits and hyphens, none empty or beyond 63.
    if (name.ends_with('.'))
        name.remove_suffix(1);
    if (name.empty() || name.size() > 253)
        return false;
    std::size_t label = 0;
    for (const char c : name) {
        if (c == '.') {
            if (label == 0)
                return false;
            label = 0;
        } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '-') {
            if (++label > 63)
                return false;
        } else {
            return false;
        }
    }
    return label > 0;
}
