#pragma once

#include <string>
#include <string_view>

// A new access key for the live feed: 256 random bits as 64 hexadecimal
// digits, which fit into a URL as they are.
std::string MakeFeedToken();

// Compares in a time that depends on the expected key's length alone, so that
// the answer's timing tells nothing about how much of a guess was right.
bool TokenMatches(std::string_view given, std::string_view expected);
