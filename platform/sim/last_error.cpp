#include "platform/sim/last_error.h"

namespace {
thread_local DWORD lastError = 0;
}

void SetLastErrorCode(DWORD error) {
    lastError = error;
}

DWORD GetLastError() {
    return lastError;
}
