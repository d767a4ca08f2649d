#pragma once

#include "cli/service_request.h"

// Fills `request` from the arguments (the first, the program's own name, is never
// looked at) and returns whether the request is complete enough to run. Parsing itself
// cannot fail: unknown arguments are skipped and later options override earlier ones.
bool ParseCommandLine(int argumentCount, const char* const* arguments, ServiceRequest* request);
