#pragma once

#include "serial/DeviceControl.h"

#include <cstdint>

enum TBaudRate {
    br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200,
    br38400, br56000, br57600, br115200, br128000, br256000, brUser
};
enum TParity { prNone, prOdd, prEven, prMark, prSpace };
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TFlowControl { fcNone, fcRtsCts, fcXonXoff };

// The line settings of a serial port as its component stores them.
struct LineSettings {
    TBaudRate BaudRate = br9600;
    std::int32_t BaudRateUser = 9600;
    TParity Parity = prNone;
    TStopBits StopBits = sbOneStopBit;
    TFlowControl FlowControl = fcNone;
    bool EnableDTR = true;
    std::uint8_t DataBits = 8;
    std::int32_t WriteBufSize = 2048;
    std::int32_t ReadBufSize = 2048;
};

// The device control block the port is opened with.
DeviceControl MakeDeviceControl(const LineSettings &settings);
