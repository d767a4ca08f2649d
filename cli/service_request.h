// Everything the command line can say, filled once by ParseCommandLine and then only read.
#pragma once

enum class RequestMode { None, Create, Remove };

// Text fields are absent (null) when their option never appeared, and empty when it
// appeared with nothing after its two letters. They point into the argument vector,
// which outlives the request.
struct ServiceRequest {
    RequestMode mode = RequestMode::None;
    const char* serviceName = nullptr;
    const char* displayName = nullptr;
    bool autoStart = false;
    const char* executablePath = nullptr;
    const char* loadOrderGroup = nullptr;
    const char* dependencies = nullptr;
    const char* accountName = nullptr;
    const char* password = nullptr;
    const char* description = nullptr;
};
