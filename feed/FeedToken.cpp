#include "feed/FeedToken.h"

#include <cstdint>
#include <random>

std::string MakeFeedToken()
{
    // The system's source of random bits, not a generator seeded once.
    std::random_device random;
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string token;
    for (int word = 0; word < 8; ++word) {
        auto bits = static_cast<std::uint32_t>(random());
        for (int digit = 0; digit < 8; ++digit, bits >>= 4)
            token += kDigits[bits & 0xF];
    }
    return token;
}

bool TokenMatches(std::string_view given, std::string_view expected)
{
    unsigned difference = given.size() == expected.size() ? 0 : 1;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const unsigned char other = i < given.size() ? static_cast<unsigned char>(given[i]) : 0;
        difference |= other ^ static_cast<unsigned char>(expected[i]);
    }
    return difference == 0 && !expected.empty();
}
