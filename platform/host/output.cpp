// Standard output on hosts other than Windows. The tool's output is the same bytes on
// every build, so each "\n" is written as "\r\n" here, as the Windows C runtime does in
// text mode.
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/service_platform.h"

void PrintFormatted(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length < 0) {
        va_end(arguments);
        return;
    }
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, arguments);
    va_end(arguments);

    for (int index = 0; index < length; ++index) {
        if (text[index] == '\n') {
            std::fputc('\r', stdout);
        }
        std::fputc(text[index], stdout);
    }
}
