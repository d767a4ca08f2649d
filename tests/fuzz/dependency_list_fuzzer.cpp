// Any text encodes into names without semicolons, each ended by a NUL, then one more NUL,
// within the text's length plus 2 bytes, and the names are the text's non-empty pieces.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/service_platform.h"
#include "service/dependency_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    const std::string before = text;
    char* list = BuildDependencyList(text.c_str());
    if (list == nullptr || text != before) {
        std::abort();
    }
    std::string expectedNames;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            expectedNames += text.substr(start, end - start) + '\0';
        }
        start = end + 1;
    }
    // Walk the list only inside its buffer: each name ends by a NUL, an empty one ends it.
    const std::size_t capacity = text.size() + 2;
    std::size_t position = 0;
    while (position < capacity && list[position] != '\0') {
        const void* end = std::memchr(list + position, '\0', capacity - position);
        if (end == nullptr) {
            std::abort();
        }
        const std::size_t length = static_cast<const char*>(end) - (list + position);
        if (std::memchr(list + position, ';', length) != nullptr) {
            std::abort();
        }
        position += length + 1;
    }
    if (position >= capacity || std::string(list, position) != expectedNames) {
        std::abort();
    }
    ReleaseBuffer(list);
    return 0;
}
