#include "service/dependency_list.h"

#include <cstring>

#include "platform/service_platform.h"

char* BuildDependencyList(const char* dependencies) {
    if (dependencies == nullptr) {
        return nullptr;
    }
    const std::size_t length = std::strlen(dependencies);
    // Every name is followed by one NUL and two names are at least one semicolon apart,
    // so the list never needs more than the text plus the closing NUL plus one.
    char* list = static_cast<char*>(AllocateBuffer(length + 2));
    if (list == nullptr) {
        return nullptr;
    }
    char* out = list;
    for (const char* in = dependencies; *in != '\0';) {
        if (*in == ';') {
            ++in;
            continue;
        }
        while (*in != '\0' && *in != ';') {
            *out++ = *in++;
        }
        *out++ = '\0';
    }
    // The buffer came zero-filled, so the closing NUL is already in place.
    return list;
}
