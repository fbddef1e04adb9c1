#pragma once

#include <windows.h>

#include <string>

// The kernel32 calls of the Win32 serial backend, as a table of functions
// that a test can replace by fakes; SystemKernel32() holds the real ones.
struct Kernel32 {
    HANDLE(WINAPI *CreateFileA)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    BOOL(WINAPI *CloseHandle)(HANDLE);
    DWORD(WINAPI *GetFileType)(HANDLE);
    BOOL(WINAPI *SetCommState)(HANDLE, LPDCB);
    BOOL(WINAPI *GetCommTimeouts)(HANDLE, LPCOMMTIMEOUTS);
    BOOL(WINAPI *SetCommTimeouts)(HANDLE, LPCOMMTIMEOUTS);
    BOOL(WINAPI *SetupComm)(HANDLE, DWORD, DWORD);
    BOOL(WINAPI *SetCommMask)(HANDLE, DWORD);
    BOOL(WINAPI *WaitCommEvent)(HANDLE, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI *GetOverlappedResult)(HANDLE, LPOVERLAPPED, LPDWORD, BOOL);
    BOOL(WINAPI *CancelIoEx)(HANDLE, LPOVERLAPPED);
    DWORD(WINAPI *WaitForMultipleObjects)(DWORD, const HANDLE *, BOOL, DWORD);
    HANDLE(WINAPI *CreateEventA)(LPSECURITY_ATTRIBUTES, BOOL, BOOL, LPCSTR);
    BOOL(WINAPI *SetEvent)(HANDLE);
    BOOL(WINAPI *PurgeComm)(HANDLE, DWORD);
    BOOL(WINAPI *ClearCommError)(HANDLE, LPDWORD, LPCOMSTAT);
    BOOL(WINAPI *GetCommModemStatus)(HANDLE, LPDWORD);
    BOOL(WINAPI *EscapeCommFunction)(HANDLE, DWORD);
    DWORD(WINAPI *GetLastError)();
    DWORD(WINAPI *FormatMessageA)(DWORD, LPCVOID, DWORD, DWORD, LPSTR, DWORD, va_list *);
};

const Kernel32 &SystemKernel32();

// The system's text for an error code, at most 255 characters as
// FormatMessageA gives it (with its closing line break), or the code in
// decimal when the system has no text.
std::string Win32ErrorText(const Kernel32 &api, DWORD code);
