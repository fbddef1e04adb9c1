#pragma once

#include <array>
#include <bit>
#include <cstdint>

// The input lines of a port at one moment: their levels, and how often each
// has changed since the port was opened. A reading that counts more changes
// than its level shows tells of a flicker between two readings. Where the
// driver keeps no counters the device counts what it saw itself.
struct ModemLines {
    // The modem-status word (SerialDevice::Ms* bits).
    std::uint32_t status = 0;
    // CTS, DSR, RI, DCD, in the order of their status bits.
    std::array<std::uint32_t, 4> changes{};

    // The counter of the line with status bit line (one Ms* bit).
    std::uint32_t &Changes(std::uint32_t line) { return changes[Index(line)]; }
    std::uint32_t Changes(std::uint32_t line) const { return changes[Index(line)]; }

private:
    // The status bits run from 0x10 (CTS) to 0x80 (DCD).
    static std::size_t Index(std::uint32_t line) { return static_cast<std::size_t>(std::countr_zero(line) - 4) & 3; }
};
