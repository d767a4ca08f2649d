#pragma once

#include "platform/service_platform.h"

// Sets the code that GetLastError gives on this thread.
void SetLastErrorCode(DWORD error);
