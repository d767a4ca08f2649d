#pragma once

#include "platform/service_platform.h"

// Stores `description` as the "Description" string value under the service's own key
// below HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services. The key must exist; none is
// created. Returns 0, or the status of the registry call that failed. Prints nothing.
LSTATUS WriteServiceDescription(const char* serviceName, const char* description);
