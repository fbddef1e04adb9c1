#pragma once

#include <string>

// The Linux device behind port number n, the n of "COMn":
//   1 … 16  -> /dev/ttyS0   … /dev/ttyS15   (on-board UARTs)
//  17 … 40  -> /dev/ttyUSB0 … /dev/ttyUSB23 (USB serial adapters)
//  41 … 64  -> /dev/ttyACM0 … /dev/ttyACM23 (USB modems, CDC-ACM)
// Any other number has no device: the result is empty.
std::string SerialDeviceName(int port);

// The device's name under /sys/class/tty and /dev ("ttyUSB3"); empty as above.
std::string SerialTtyName(int port);
