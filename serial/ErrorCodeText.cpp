#include "serial/SerialDevice.h"

#include <cstring>

std::string ErrorCodeText(int code)
{
    // strerror() invents "Unknown error N" for codes it does not know; only a
    // code with a name has a real system text.
    if (code != 0 && strerrorname_np(code) == nullptr)
        return std::to_string(code);
    std::string text = std::strerror(code);
    if (text.size() > 255)
        text.resize(255);
    return text;
}
