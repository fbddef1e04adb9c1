#include "serial/LineSettings.h"

#include <array>

namespace {

constexpr std::array<std::uint32_t, 15> kBaudRates = {
    110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000,
};

} // namespace

DeviceControl MakeDeviceControl(const LineSettings &settings)
{
    DeviceControl dcb;
    dcb.BaudRate = settings.BaudRate == brUser ? static_cast<std::uint32_t>(settings.BaudRateUser)
                                               : kBaudRates.at(settings.BaudRate);
    dcb.Flags = DeviceControl::fBinary;
    if (settings.EnableDTR)
        dcb.Flags |= DeviceControl::DtrControlEnable;
    if (settings.FlowControl == fcRtsCts)
        dcb.Flags |= DeviceControl::fOutxCtsFlow | DeviceControl::RtsControlHandshake;
    else if (settings.FlowControl == fcXonXoff)
        dcb.Flags |= DeviceControl::fOutX | DeviceControl::fInX;
    // The transmit queue's quarter, as the flow-control limit has always been set.
    dcb.XonLim = static_cast<std::uint16_t>(settings.WriteBufSize / 4);
    dcb.XoffLim = 1;
    dcb.ByteSize = settings.DataBits;
    dcb.Parity = static_cast<std::uint8_t>(settings.Parity);
    dcb.StopBits = static_cast<std::uint8_t>(settings.StopBits);
    dcb.ReadQueueSize = settings.ReadBufSize;
    dcb.WriteQueueSize = settings.WriteBufSize;
    return dcb;
}
