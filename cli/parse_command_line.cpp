#include "cli/parse_command_line.h"

#include <cstring>

namespace {

// Where each text option stores its value.
struct TextOption {
    char letter;
    const char* ServiceRequest::*field;
};

constexpr TextOption kTextOptions[] = {
    {'i', &ServiceRequest::serviceName},    {'n', &ServiceRequest::displayName},
    {'x', &ServiceRequest::executablePath}, {'l', &ServiceRequest::loadOrderGroup},
    {'d', &ServiceRequest::dependencies},   {'s', &ServiceRequest::accountName},
    {'p', &ServiceRequest::password},       {'h', &ServiceRequest::description},
};

void ApplyArgument(const char* argument, ServiceRequest* request) {
    if (std::strcmp(argument, "-c") == 0) {
        request->mode = RequestMode::Create;
        return;
    }
    if (std::strcmp(argument, "-r") == 0) {
        request->mode = RequestMode::Remove;
        return;
    }
    if (argument[0] != '-' || argument[1] == '\0') {
        return;
    }
    const char letter = argument[1];
    const char* rest = argument + 2;
    if (letter == 'a' || letter == 'm') {
        request->autoStart = (letter == 'a');
        return;
    }
    for (const TextOption& option : kTextOptions) {
        if (option.letter == letter) {
            request->*option.field = rest;
            return;
        }
    }
}

bool IsRunnable(const ServiceRequest& request) {
    switch (request.mode) {
        case RequestMode::Remove:
            return request.serviceName != nullptr;
        case RequestMode::Create:
            return request.serviceName != nullptr && request.displayName != nullptr &&
                   request.executablePath != nullptr;
        case RequestMode::None:
            break;
    }
    return false;
}

}  // namespace

bool ParseCommandLine(int argumentCount, const char* const* arguments, ServiceRequest* request) {
    *request = ServiceRequest{};
    for (int index = 1; index < argumentCount; ++index) {
        ApplyArgument(arguments[index], request);
    }
    // A password only ever travels together with an account.
    if (request->accountName == nullptr) {
        request->password = nullptr;
    }
    return IsRunnable(*request);
}
