// Any bytes as a registry file: either a clean refusal, or a state that writes back and
// reads the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/sim/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    RegistryState state;
    if (!ParseRegistryFile(text, &state)) {
        return 0;
    }
    const std::string written = FormatRegistryFile(state);
    RegistryState reread;
    if (!ParseRegistryFile(written, &reread) || !(reread == state) ||
        FormatRegistryFile(reread) != written) {
        std::abort();
    }
    return 0;
}
