#pragma once

#include <cstdint>

// The line settings of an open port, worked out once from the port's
// properties and independent of the platform; each serial backend maps them
// onto its own calls. The flag word keeps the classic device-control-block
// bit values so that settings read the same on every platform.
struct DeviceControl {
    static constexpr std::uint32_t fBinary = 0x0001;
    static constexpr std::uint32_t fOutxCtsFlow = 0x0004;
    static constexpr std::uint32_t DtrControlEnable = 0x0010;
    static constexpr std::uint32_t fOutX = 0x0100;
    static constexpr std::uint32_t fInX = 0x0200;
    static constexpr std::uint32_t RtsControlHandshake = 0x2000;

    std::uint32_t BaudRate = 0;       // bits per second
    std::uint32_t Flags = 0;          // the bits above
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 8;        // data bits, 5 … 8
    std::uint8_t Parity = 0;          // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t StopBits = 0;        // 0 one, 1 one and a half, 2 two
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;

    // Timeouts in milliseconds; a read interval of 0xFFFFFFFF with zero
    // totals means a read returns at once with what is queued.
    std::uint32_t ReadIntervalTimeout = 0xFFFFFFFFu;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 1000;
    std::uint32_t WriteTotalTimeoutConstant = 1500;

    // Queue sizes in bytes.
    std::int32_t ReadQueueSize = 0;
    std::int32_t WriteQueueSize = 0;

    bool DtrOn() const { return Flags & DtrControlEnable; }
    bool RtsCtsHandshake() const { return Flags & RtsControlHandshake; }
    bool XonXoff() const { return Flags & (fOutX | fInX); }
};
