#pragma once

#include "cli/service_request.h"
#include "platform/service_platform.h"

// Deletes the named service under the database lock. Returns 0, or the system error code
// of the step that failed. The name (possibly empty) goes to the manager unchanged.
DWORD RemoveService(const char* serviceName);

// Runs a remove request and prints its outcome.
void RunRemoveCommand(const ServiceRequest& request);
