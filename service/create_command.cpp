#include "service/create_command.h"

#include "cli/explain_error.h"
#include "service/dependency_list.h"
#include "service/service_description.h"

namespace {

DWORD StartType(const ServiceRequest& request) {
    return request.autoStart ? SERVICE_AUTO_START : SERVICE_DEMAND_START;
}

// Builds the dependency list the request asks for. Returns false when a list was asked
// for and could not be built: going on without it would configure the service without
// the dependencies the user gave and still report success.
bool PrepareDependencyList(const ServiceRequest& request, char** list) {
    *list = BuildDependencyList(request.dependencies);
    return request.dependencies == nullptr || *list != nullptr;
}

void StoreDescription(const ServiceRequest& request) {
    if (request.description == nullptr) {
        return;
    }
    const DWORD status =
        static_cast<DWORD>(WriteServiceDescription(request.serviceName, request.description));
    if (status != 0) {
        PrintFormatted("Failed to update the service's description, error code %ld\n",
                       AsSignedCode(status));
        ExplainError(status);
    }
}

}  // namespace

InstallOutcome InstallService(const ServiceRequest& request) {
    InstallOutcome outcome;
    SC_HANDLE manager =
        OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE | SC_MANAGER_LOCK);
    if (manager == nullptr) {
        outcome.statusCode = GetLastError();
        return outcome;
    }
    SC_LOCK lock = LockServiceDatabase(manager);
    if (lock == nullptr) {
        outcome.statusCode = GetLastError();
        CloseServiceHandle(manager);
        return outcome;
    }

    char* dependencyList = nullptr;
    SC_HANDLE service = OpenServiceA(manager, request.serviceName, SERVICE_ALL_ACCESS);
    if (service != nullptr) {
        DWORD error = 0;
        if (!PrepareDependencyList(request, &dependencyList)) {
            error = ERROR_NOT_ENOUGH_MEMORY;
        } else if (!ChangeServiceConfigA(
                       service, SERVICE_WIN32_OWN_PROCESS, StartType(request), SERVICE_ERROR_NORMAL,
                       request.executablePath, request.loadOrderGroup, nullptr, dependencyList,
                       request.accountName, request.password, request.displayName)) {
            error = GetLastError();
        }
        if (error != 0) {
            UnlockServiceDatabase(lock);
            CloseServiceHandle(manager);
            CloseServiceHandle(service);
            ReleaseBuffer(dependencyList);
            outcome.statusCode = error;
            return outcome;
        }
        ReleaseBuffer(dependencyList);
    } else {
        const DWORD lookupError = GetLastError();
        // Only a name the manager does not know leads to creation; any other refusal of
        // the lookup is the outcome.
        if (lookupError != ERROR_SERVICE_DOES_NOT_EXIST) {
            UnlockServiceDatabase(lock);
            CloseServiceHandle(manager);
            outcome.statusCode = lookupError;
            return outcome;
        }
        DWORD error = 0;
        if (!PrepareDependencyList(request, &dependencyList)) {
            error = ERROR_NOT_ENOUGH_MEMORY;
        } else {
            service =
                CreateServiceA(manager, request.serviceName, request.displayName,
                               SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, StartType(request),
                               SERVICE_ERROR_NORMAL, request.executablePath, request.loadOrderGroup,
                               nullptr, dependencyList, request.accountName, request.password);
            if (service == nullptr) {
                error = GetLastError();
            }
        }
        ReleaseBuffer(dependencyList);
        if (error != 0) {
            UnlockServiceDatabase(lock);
            CloseServiceHandle(manager);
            outcome.statusCode = error;
            return outcome;
        }
        outcome.created = true;
    }

    // Written while the lock is still held, so no other run sees the service without it.
    StoreDescription(request);

    UnlockServiceDatabase(lock);
    CloseServiceHandle(manager);
    CloseServiceHandle(service);
    return outcome;
}

void RunCreateCommand(const ServiceRequest& request) {
    const InstallOutcome outcome = InstallService(request);
    if (outcome.statusCode != 0) {
        // The same line serves a failed update of an existing service.
        PrintFormatted("Failed creating the service, error code %ld\n",
                       AsSignedCode(outcome.statusCode));
        ExplainError(outcome.statusCode);
        return;
    }
    PrintFormatted("%s", outcome.created ? "Service successfully created.\n"
                                         : "Service successfully updated.\n");
}
