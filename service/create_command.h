#pragma once

#include "cli/service_request.h"
#include "platform/service_platform.h"

struct InstallOutcome {
    DWORD statusCode = 0;  // 0, or the code of the call that failed
    bool created = false;  // true only when this call registered a new service
};

// Creates the service, or rewrites the configuration of the one that exists, under the
// database lock, then stores the description when the request has one. A failed
// description write is printed here and does not fail the call.
InstallOutcome InstallService(const ServiceRequest& request);

// Runs a create request and prints created, updated or the failure.
void RunCreateCommand(const ServiceRequest& request);
