#include "service/remove_command.h"

#include "cli/explain_error.h"

DWORD RemoveService(const char* serviceName) {
    SC_HANDLE manager =
        OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE | SC_MANAGER_LOCK);
    if (manager == nullptr) {
        return GetLastError();
    }
    SC_LOCK lock = LockServiceDatabase(manager);
    if (lock == nullptr) {
        const DWORD error = GetLastError();
        CloseServiceHandle(manager);
        return error;
    }

    DWORD result = 0;
    SC_HANDLE service = OpenServiceA(manager, serviceName, DELETE);
    if (service == nullptr || !DeleteService(service)) {
        result = GetLastError();
    }

    UnlockServiceDatabase(lock);
    if (service != nullptr) {
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

void RunRemoveCommand(const ServiceRequest& request) {
    const DWORD result = RemoveService(request.serviceName);
    if (result == 0) {
        PrintFormatted("Service successfully removed.\n");
        return;
    }
    PrintFormatted("Failed removing the service, error code %ld\n", AsSignedCode(result));
    ExplainError(result);
}
