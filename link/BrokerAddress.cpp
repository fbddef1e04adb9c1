#include "link/BrokerAddress.h"

#include <charconv>

namespace {

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<int> Port(std::string_view text)
{
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

} // namespace

std::optional<BrokerAddress> BrokerAddress::Parse(std::string_view text)
{
    text = Trimmed(text);
    std::string_view host = text;
    std::optional<int> port = kDefaultPort;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty())
            port = rest.starts_with(':') ? Port(rest.substr(1)) : std::nullopt;
    } else if (const auto colon = text.find(':'); colon != std::string_view::npos && text.rfind(':') == colon) {
        host = text.substr(0, colon);
        port = Port(text.substr(colon + 1));
    }
    // Several colons without brackets: an IPv6 address alone.
    if (!port || host.empty() || host.find_first_of(" \t[]") != std::string_view::npos)
        return std::nullopt;
    return BrokerAddress{std::string(host), *port};
}

std::string BrokerAddress::Text() const
{
    const bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}
