#pragma once

#include <cstdint>

// Line speed through the kernel's termios2 interface, which takes any rate in
// bits per second (glibc's cfsetspeed knows only the Bnnn table and refuses
// rates such as 28800). Kept apart from the rest of the backend because the
// kernel header it needs clashes with <termios.h>.

// Sets input and output speed of the terminal fd to baud. False with errno set
// when the driver refuses the request.
bool SetCustomBaudRate(int fd, std::uint32_t baud);

// The output speed the driver reports, in bits per second. False with errno set.
bool GetCustomBaudRate(int fd, std::uint32_t &baud);
