#pragma once

#include "platform/service_platform.h"

// Prints the explanation of a system error code after a failure line: two lines for
// 1057, one line without a newline for 1060, nothing for any other code.
void ExplainError(DWORD code);
