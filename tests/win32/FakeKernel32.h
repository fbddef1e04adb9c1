#pragma once

#include "serial/Win32Kernel32.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

// A kernel32 whose serial calls are recorded and answered from the state
// below, so that the backend's logic is checked exactly.
struct FakeKernel32 {
    // Every call by name, in order.
    std::vector<std::string> Calls;
    // CreateFileA: the devices that open, with their file type.
    std::map<std::string, DWORD> Devices;
    std::string OpenedName;
    DWORD OpenedAccess = 0, OpenedShare = 0, OpenedDisposition = 0, OpenedFlags = 0;
    int OpenHandles = 0;
    // What the settings calls were given, and whether they fail.
    DCB Dcb{};
    COMMTIMEOUTS Timeouts{};
    DWORD ReadQueue = 0, WriteQueue = 0;
    DWORD Mask = 0;
    bool RefuseState = false;
    // The wait: WaitCommEvent reports Events (or fails with WaitError),
    // WaitForMultipleObjects and GetOverlappedResult answer from their queues.
    DWORD Events = 0;
    DWORD WaitError = ERROR_IO_PENDING;
    std::deque<DWORD> Wakes;
    std::deque<BOOL> Results;
    std::vector<BOOL> OverlappedWaits; // the bWait argument of each GetOverlappedResult
    DWORD ModemWord = 0;
    DWORD InQueue = 0;
    DWORD PurgeFlags = 0;
    // FormatMessageA's texts by code; other codes have none.
    std::map<DWORD, std::string> Texts;
    DWORD FormatFlags = 0, FormatLanguage = 0, FormatSize = 0;
    DWORD LastErrorValue = 0;

    // The table that the backend is given; it reaches this fake.
    const Kernel32 &Api();
    static FakeKernel32 *Current;
};
