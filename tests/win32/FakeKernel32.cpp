#include "FakeKernel32.h"

#include <gtest/gtest.h>

#include <cstring>

FakeKernel32 *FakeKernel32::Current = nullptr;

namespace {

FakeKernel32 &fake()
{
    return *FakeKernel32::Current;
}

HANDLE handleNumber(std::intptr_t n)
{
    return reinterpret_cast<HANDLE>(n);
}


HANDLE WINAPI createFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition,
                         DWORD flags, HANDLE)
{
    FakeKernel32 &f = fake();
    f.Calls.push_back("CreateFileA");
    f.OpenedName = name;
    f.OpenedAccess = access;
    f.OpenedShare = share;
    f.OpenedDisposition = disposition;
    f.OpenedFlags = flags;
    if (!f.Devices.count(name)) {
        f.LastErrorValue = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    ++f.OpenHandles;
    return handleNumber(0x100 + static_cast<std::intptr_t>(f.Devices[name]));
}

BOOL WINAPI closeHandle(HANDLE handle)
{
    FakeKernel32 &f = fake();
    f.Calls.push_back("CloseHandle");
    if (reinterpret_cast<std::intptr_t>(handle) >= 0x100)
        --f.OpenHandles;
    return TRUE;
}

DWORD WINAPI getFileType(HANDLE handle)
{
    fake().Calls.push_back("GetFileType");
    return static_cast<DWORD>(reinterpret_cast<std::intptr_t>(handle) - 0x100);
}

BOOL WINAPI setCommState(HANDLE, LPDCB dcb)
{
    FakeKernel32 &f = fake();
    f.Calls.push_back("SetCommState");
    f.Dcb = *dcb;
    if (f.RefuseState) {
        f.LastErrorValue = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    return TRUE;
}

BOOL WINAPI getCommTimeouts(HANDLE, LPCOMMTIMEOUTS timeouts)
{
    fake().Calls.push_back("GetCommTimeouts");
    *timeouts = {1, 2, 3, 4, 5};
    return TRUE;
}

BOOL WINAPI setCommTimeouts(HANDLE, LPCOMMTIMEOUTS timeouts)
{
    fake().Calls.push_back("SetCommTimeouts");
    fake().Timeouts = *timeouts;
    return TRUE;
}

BOOL WINAPI setupComm(HANDLE, DWORD in, DWORD out)
{
    fake().Calls.push_back("SetupComm");
    fake().ReadQueue = in;
    fake().WriteQueue = out;
    return TRUE;
}

BOOL WINAPI setCommMask(HANDLE, DWORD mask)
{
    fake().Calls.push_back("SetCommMask");
    fake().Mask = mask;
    return TRUE;
}

BOOL WINAPI waitCommEvent(HANDLE, LPDWORD events, LPOVERLAPPED overlapped)
{
    FakeKernel32 &f = fake();
    f.Calls.push_back("WaitCommEvent");
    EXPECT_NE(overlapped, nullptr);
    *events = f.Events;
    f.LastErrorValue = f.WaitError;
    return FALSE;
}

BOOL WINAPI getOverlappedResult(HANDLE, LPOVERLAPPED, LPDWORD, BOOL wait)
{
    FakeKernel32 &f = fake();
    f.Calls.push_back("GetOverlappedResult");
    f.OverlappedWaits.push_back(wait);
    if (f.Results.empty())
        return TRUE;
    const BOOL result = f.Results.front();
    f.Results.pop_front();
    return result;
}

BOOL WINAPI cancelIoEx(HANDLE, LPOVERLAPPED)
{
    fake().Calls.push_back("CancelIoEx");
    return TRUE;
}

DWORD WINAPI waitForMultipleObjects(DWORD count, const HANDLE *handles, BOOL all, DWORD timeout)
{
    FakeKernel32 &f = fake();
    f.Calls.push_back("WaitForMultipleObjects");
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(handles[0]), 1); // the stop event first
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(handles[1]), 2);
    EXPECT_FALSE(all);
    EXPECT_EQ(timeout, INFINITE);
    if (f.Wakes.empty())
        return WAIT_FAILED;
    const DWORD wake = f.Wakes.front();
    f.Wakes.pop_front();
    return wake;
}

HANDLE WINAPI createEvent(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL signalled, LPCSTR)
{
    fake().Calls.push_back("CreateEventA");
    EXPECT_TRUE(manualReset);
    // 1: the stop event, created not signalled; 2: the completion event, created signalled.
    return handleNumber(signalled ? 2 : 1);
}

BOOL WINAPI setEvent(HANDLE)
{
    fake().Calls.push_back("SetEvent");
    return TRUE;
}

BOOL WINAPI purgeComm(HANDLE, DWORD flags)
{
    fake().Calls.push_back("PurgeComm");
    fake().PurgeFlags = flags;
    return TRUE;
}

BOOL WINAPI clearCommError(HANDLE, LPDWORD errors, LPCOMSTAT status)
{
    fake().Calls.push_back("ClearCommError");
    *errors = 0;
    std::memset(status, 0, sizeof(*status));
    status->cbInQue = fake().InQueue;
    return TRUE;
}

BOOL WINAPI getCommModemStatus(HANDLE, LPDWORD word)
{
    fake().Calls.push_back("GetCommModemStatus");
    *word = fake().ModemWord;
    return TRUE;
}

BOOL WINAPI escapeCommFunction(HANDLE, DWORD function)
{
    fake().Calls.push_back("EscapeCommFunction " + std::to_string(function));
    return TRUE;
}

DWORD WINAPI getLastError()
{
    return fake().LastErrorValue;
}

DWORD WINAPI formatMessage(DWORD flags, LPCVOID, DWORD code, DWORD language, LPSTR buffer, DWORD size, va_list *)
{
    FakeKernel32 &f = fake();
    f.FormatFlags = flags;
    f.FormatLanguage = language;
    f.FormatSize = size;
    auto text = f.Texts.find(code);
    if (text == f.Texts.end())
        return 0;
    std::strncpy(buffer, text->second.c_str(), size);
    return static_cast<DWORD>(text->second.size());
}

} // namespace

const Kernel32 &FakeKernel32::Api()
{
    Current = this;
    static const Kernel32 table{
        createFile,    closeHandle,        getFileType,      setCommState,           getCommTimeouts,
        setCommTimeouts, setupComm,        setCommMask,      waitCommEvent,          getOverlappedResult,
        cancelIoEx,    waitForMultipleObjects, createEvent,  setEvent,               purgeComm,
        clearCommError, getCommModemStatus, escapeCommFunction, getLastError, formatMessage,
    };
    return table;
}
