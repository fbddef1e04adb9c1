#pragma once

#include <string>
#include <string_view>
#include <vector>

// This computer's names and addresses, and numeric addresses in binary form
// (4 bytes for IPv4, 16 for IPv6), as the system tells them.

// The binary form of a numeric IPv4 or IPv6 address; empty for anything else.
std::string AddressBytes(std::string_view address);
// 127.0.0.0/8 and ::1 in binary form.
bool IsLoopbackBytes(std::string_view bytes);
// 127.0.0.0/8 and ::1, where only this computer can reach the server.
bool IsLoopbackAddress(std::string_view address);

// The computer's host name as the system has it; empty when unknown.
std::string OwnHostName();
// The addresses of the computer's network interfaces, in binary form.
std::vector<std::string> OwnAddressBytes();
