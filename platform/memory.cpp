// Buffers for the product builds, from the C runtime's heap.
#include <cstdlib>

#include "platform/service_platform.h"

void* AllocateBuffer(std::size_t size) {
    return std::calloc(size, 1);
}

void ReleaseBuffer(void* buffer) {
    std::free(buffer);
}
