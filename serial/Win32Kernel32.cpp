#include "serial/Win32Kernel32.h"

#include "serial/SerialDevice.h"

const Kernel32 &SystemKernel32()
{
    static const Kernel32 system{
        ::CreateFileA,     ::CloseHandle,         ::GetFileType,    ::SetCommState,       ::GetCommTimeouts,
        ::SetCommTimeouts, ::SetupComm,           ::SetCommMask,    ::WaitCommEvent,      ::GetOverlappedResult,
        ::CancelIoEx,      ::WaitForMultipleObjects, ::CreateEventA, ::SetEvent,          ::PurgeComm,
        ::ClearCommError,  ::GetCommModemStatus,  ::EscapeCommFunction, ::GetLastError, ::FormatMessageA,
    };
    return system;
}

std::string Win32ErrorText(const Kernel32 &api, DWORD code)
{
    char text[256] = {};
    // The user's default language (neutral language, default sublanguage).
    const DWORD length = api.FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, 0x0400, text, 255, nullptr);
    if (length == 0)
        return std::to_string(code);
    return std::string(text, length);
}

std::string ErrorCodeText(int code)
{
    return Win32ErrorText(SystemKernel32(), static_cast<DWORD>(code));
}
