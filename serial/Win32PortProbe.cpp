#include "serial/Win32PortProbe.h"

#include <string>

bool Win32PortPresent(const Kernel32 &api, int port)
{
    const std::string name = "//./COM" + std::to_string(port);
    const HANDLE handle = api.CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool character = api.GetFileType(handle) == FILE_TYPE_CHAR;
    api.CloseHandle(handle);
    return character;
}
