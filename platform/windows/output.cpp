// Standard output on Windows: the C runtime's stdout is in text mode and turns each "\n"
// into "\r\n" by itself.
#include <cstdarg>
#include <cstdio>

#include "platform/service_platform.h"

void PrintFormatted(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
}
