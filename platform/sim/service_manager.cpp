// The service control manager of the simulated machine. Services are the subkeys of
// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services, as Windows keeps them; every
// change is one change of the registry file. The database lock is an exclusive,
// non-blocking flock on <root>/database.lock, which the system frees if the process dies.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/sim/accounts.h"
#include "platform/sim/handle_table.h"
#include "platform/sim/last_error.h"
#include "platform/sim/machine_store.h"

namespace {

constexpr std::size_t kMaxNameLength = 256;
constexpr const char kDefaultAccount[] = "LocalSystem";
constexpr const char kActiveDatabase[] = "ServicesActive";

struct ScmObject {
    bool isService = false;
    DWORD access = 0;
    std::string serviceName;  // as the service's key is spelled
};

struct DatabaseLock {
    int descriptor = -1;
};

HandleTable<ScmObject>& ScmObjects() {
    static HandleTable<ScmObject> table;
    return table;
}

HandleTable<DatabaseLock>& DatabaseLocks() {
    static HandleTable<DatabaseLock> table;
    return table;
}

template <typename Result>
Result Fail(DWORD error, Result result) {
    SetLastErrorCode(error);
    return result;
}

// Finds the handle's record and checks that it is of the right kind and was opened with
// the access the call needs. Returns 0 or the error to report.
DWORD CheckHandle(SC_HANDLE handle, bool wantService, DWORD neededAccess, ScmObject* object) {
    if (!LookUpHandle(ScmObjects(), handle, object) || object->isService != wantService) {
        return ERROR_INVALID_HANDLE;
    }
    return (object->access & neededAccess) == neededAccess ? 0 : ERROR_ACCESS_DENIED;
}

// The registry file cannot hold a line break in a key name, so such names are refused
// along with the ones Windows refuses.
DWORD CheckServiceName(LPCSTR name) {
    if (name == nullptr) {
        return ERROR_INVALID_ADDRESS;
    }
    const std::size_t length = std::strlen(name);
    if (length == 0 || length > kMaxNameLength || std::strpbrk(name, "/\\\r\n") != nullptr) {
        return ERROR_INVALID_NAME;
    }
    return 0;
}

bool IsValidServiceType(DWORD type) {
    const DWORD processType = type & ~SERVICE_INTERACTIVE_PROCESS;
    if (processType == SERVICE_WIN32_OWN_PROCESS || processType == SERVICE_WIN32_SHARE_PROCESS) {
        return true;
    }
    return type == SERVICE_KERNEL_DRIVER || type == SERVICE_FILE_SYSTEM_DRIVER;
}

bool IsDriverType(DWORD type) {
    return type == SERVICE_KERNEL_DRIVER || type == SERVICE_FILE_SYSTEM_DRIVER;
}

DWORD CheckStartConfig(DWORD type, DWORD startType, DWORD errorControl) {
    if (!IsValidServiceType(type) || startType > SERVICE_DISABLED ||
        errorControl > SERVICE_ERROR_CRITICAL) {
        return ERROR_INVALID_PARAMETER;
    }
    // Only drivers start at boot or with the system.
    if (startType < SERVICE_AUTO_START && !IsDriverType(type)) {
        return ERROR_INVALID_PARAMETER;
    }
    return 0;
}

DWORD CheckAccount(LPCSTR account) {
    std::string root;
    const DWORD error = OpenMachineRoot(&root);
    if (error != 0) {
        return error;
    }
    return IsKnownAccount(root, account) ? 0 : ERROR_INVALID_SERVICE_ACCOUNT;
}

DWORD DwordOf(const RegistryKey& key, const char* name, DWORD fallback) {
    RegistryValue value;
    if (!GetValue(key, name, &value) || value.type != REG_DWORD || value.data.size() != 4) {
        return fallback;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(value.data.data());
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<DWORD>(bytes[3]) << 24);
}

std::string TextData(LPCSTR text) {
    return std::string(text) + '\0';
}

// The names of a dependency list through its closing NUL; empty when it holds none.
std::string DependencyData(LPCSTR list) {
    std::size_t length = 0;
    while (list[length] != '\0') {
        length += std::strlen(list + length) + 1;
    }
    return length == 0 ? std::string() : std::string(list, length + 1);
}

std::string ServicePath(const std::string& name) {
    return JoinKeyPath(kServicesKeyPath, name);
}

// Whether a string value holds `text`, ignoring case.
bool HoldsText(const RegistryValue& value, std::string_view text) {
    return value.type == REG_SZ && value.data.size() == text.size() + 1 &&
           value.data.back() == '\0' &&
           EqualsIgnoringCase(std::string_view(value.data).substr(0, text.size()), text);
}

// Whether a service other than `self` is named, or shown as, one of `names`: a display
// name may be neither another service's name nor its display name.
bool IsNameTaken(const RegistryState& state, std::initializer_list<std::string> names,
                 const std::string& self) {
    for (const RegistryKey* service : ChildKeys(state, kServicesKeyPath)) {
        const std::string serviceName = KeyName(*service);
        if (EqualsIgnoringCase(serviceName, self)) {
            continue;
        }
        RegistryValue display;
        const bool hasDisplayName = GetValue(*service, "DisplayName", &display);
        for (const std::string& name : names) {
            if (EqualsIgnoringCase(serviceName, name) ||
                (hasDisplayName && HoldsText(display, name))) {
                return true;
            }
        }
    }
    return false;
}

void SetTextOrRemove(RegistryKey& key, const char* name, LPCSTR text) {
    if (text[0] == '\0') {
        RemoveValue(key, name);
    } else {
        SetValue(key, name, REG_SZ, TextData(text));
    }
}

}  // namespace

SC_HANDLE OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName, DWORD dwDesiredAccess) {
    constexpr DWORD kServerUnavailable = 1722;
    if (lpMachineName != nullptr && lpMachineName[0] != '\0') {
        return Fail<SC_HANDLE>(kServerUnavailable, nullptr);
    }
    if (lpDatabaseName != nullptr && !EqualsIgnoringCase(lpDatabaseName, kActiveDatabase)) {
        return Fail<SC_HANDLE>(ERROR_DATABASE_DOES_NOT_EXIST, nullptr);
    }
    // The manager needs a readable database; a new machine is set up here.
    std::shared_ptr<const RegistryState> state;
    const DWORD error = ReadRegistry(&state);
    if (error != 0) {
        return Fail<SC_HANDLE>(error, nullptr);
    }
    return static_cast<SC_HANDLE>(AddHandle(ScmObjects(), ScmObject{false, dwDesiredAccess, ""}));
}

SC_LOCK LockServiceDatabase(SC_HANDLE hSCManager) {
    ScmObject manager;
    DWORD error = CheckHandle(hSCManager, false, SC_MANAGER_LOCK, &manager);
    std::string root;
    if (error == 0) {
        error = OpenMachineRoot(&root);
    }
    if (error != 0) {
        return Fail<SC_LOCK>(error, nullptr);
    }
    const std::string path = root + "/database.lock";
    const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return Fail<SC_LOCK>(ErrorFromErrno(errno, ERROR_ACCESS_DENIED), nullptr);
    }
    int result;
    do {
        result = flock(descriptor, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const DWORD lockError = errno == EWOULDBLOCK ? ERROR_SERVICE_DATABASE_LOCKED
                                                     : ErrorFromErrno(errno, ERROR_ACCESS_DENIED);
        close(descriptor);
        return Fail<SC_LOCK>(lockError, nullptr);
    }
    return AddHandle(DatabaseLocks(), DatabaseLock{descriptor});
}

BOOL UnlockServiceDatabase(SC_LOCK ScLock) {
    DatabaseLock lock;
    if (!RemoveHandle(DatabaseLocks(), ScLock, &lock)) {
        return Fail<BOOL>(ERROR_INVALID_SERVICE_LOCK, 0);
    }
    // Closing the descriptor releases the flock.
    close(lock.descriptor);
    return 1;
}

SC_HANDLE OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess) {
    ScmObject manager;
    DWORD error = CheckHandle(hSCManager, false, 0, &manager);
    if (error == 0) {
        error = CheckServiceName(lpServiceName);
    }
    std::shared_ptr<const RegistryState> state;
    if (error == 0) {
        error = ReadRegistry(&state);
    }
    if (error != 0) {
        return Fail<SC_HANDLE>(error, nullptr);
    }
    const RegistryKey* key = FindKey(*state, ServicePath(lpServiceName));
    if (key == nullptr) {
        return Fail<SC_HANDLE>(ERROR_SERVICE_DOES_NOT_EXIST, nullptr);
    }
    return static_cast<SC_HANDLE>(
        AddHandle(ScmObjects(), ScmObject{true, dwDesiredAccess, KeyName(*key)}));
}

SC_HANDLE CreateServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, LPCSTR lpDisplayName,
                         DWORD dwDesiredAccess, DWORD dwServiceType, DWORD dwStartType,
                         DWORD dwErrorControl, LPCSTR lpBinaryPathName, LPCSTR lpLoadOrderGroup,
                         LPDWORD lpdwTagId, LPCSTR lpDependencies, LPCSTR lpServiceStartName,
                         LPCSTR lpPassword) {
    (void)lpPassword;  // checked against nothing and never stored
    ScmObject manager;
    DWORD error = CheckHandle(hSCManager, false, SC_MANAGER_CREATE_SERVICE, &manager);
    if (error == 0) {
        error = CheckServiceName(lpServiceName);
    }
    const std::string displayName = lpDisplayName != nullptr && lpDisplayName[0] != '\0'
                                        ? lpDisplayName
                                        : (lpServiceName != nullptr ? lpServiceName : "");
    if (error == 0 && displayName.size() > kMaxNameLength) {
        error = ERROR_INVALID_NAME;
    }
    if (error == 0) {
        error = CheckStartConfig(dwServiceType, dwStartType, dwErrorControl);
    }
    if (error == 0 &&
        (lpBinaryPathName == nullptr || lpBinaryPathName[0] == '\0' || lpdwTagId != nullptr)) {
        error = ERROR_INVALID_PARAMETER;
    }
    const char* account = lpServiceStartName != nullptr ? lpServiceStartName : kDefaultAccount;
    if (error == 0) {
        error = CheckAccount(account);
    }
    if (error == 0) {
        const std::string name = lpServiceName;
        error = ChangeRegistry([&](RegistryState& state) -> DWORD {
            if (FindKey(state, ServicePath(name)) != nullptr) {
                return ERROR_SERVICE_EXISTS;
            }
            if (IsNameTaken(state, {displayName, name}, name)) {
                return ERROR_DUPLICATE_SERVICE_NAME;
            }
            RegistryKey& key = EnsureKey(state, ServicePath(name));
            SetValue(key, "Type", REG_DWORD, DwordBytes(dwServiceType));
            SetValue(key, "Start", REG_DWORD, DwordBytes(dwStartType));
            SetValue(key, "ErrorControl", REG_DWORD, DwordBytes(dwErrorControl));
            SetValue(key, "ImagePath", REG_SZ, TextData(lpBinaryPathName));
            SetValue(key, "DisplayName", REG_SZ, TextData(displayName.c_str()));
            if (lpLoadOrderGroup != nullptr) {
                SetTextOrRemove(key, "Group", lpLoadOrderGroup);
            }
            if (lpDependencies != nullptr && lpDependencies[0] != '\0') {
                SetValue(key, "DependOnService", REG_MULTI_SZ, DependencyData(lpDependencies));
            }
            SetValue(key, "ObjectName", REG_SZ, TextData(account));
            return 0;
        });
    }
    if (error != 0) {
        return Fail<SC_HANDLE>(error, nullptr);
    }
    return static_cast<SC_HANDLE>(
        AddHandle(ScmObjects(), ScmObject{true, dwDesiredAccess, lpServiceName}));
}

BOOL ChangeServiceConfigA(SC_HANDLE hService, DWORD dwServiceType, DWORD dwStartType,
                          DWORD dwErrorControl, LPCSTR lpBinaryPathName, LPCSTR lpLoadOrderGroup,
                          LPDWORD lpdwTagId, LPCSTR lpDependencies, LPCSTR lpServiceStartName,
                          LPCSTR lpPassword, LPCSTR lpDisplayName) {
    (void)lpPassword;  // checked against nothing and never stored
    ScmObject service;
    DWORD error = CheckHandle(hService, true, SERVICE_CHANGE_CONFIG, &service);
    if (error == 0 &&
        ((lpBinaryPathName != nullptr && lpBinaryPathName[0] == '\0') || lpdwTagId != nullptr ||
         (lpDisplayName != nullptr && std::strlen(lpDisplayName) > kMaxNameLength))) {
        error = ERROR_INVALID_PARAMETER;
    }
    if (error == 0 && lpServiceStartName != nullptr) {
        error = CheckAccount(lpServiceStartName);
    }
    // An empty display name shows the service's name.
    const std::string shownName =
        lpDisplayName == nullptr || lpDisplayName[0] == '\0' ? service.serviceName : lpDisplayName;
    if (error == 0) {
        error = ChangeRegistry([&](RegistryState& state) -> DWORD {
            RegistryKey* key = FindKey(state, ServicePath(service.serviceName));
            if (key == nullptr) {
                return ERROR_SERVICE_MARKED_FOR_DELETE;
            }
            auto keep = [](DWORD requested, DWORD current) {
                return requested == SERVICE_NO_CHANGE ? current : requested;
            };
            const DWORD type = keep(dwServiceType, DwordOf(*key, "Type", 0));
            const DWORD startType = keep(dwStartType, DwordOf(*key, "Start", SERVICE_DEMAND_START));
            const DWORD errorControl =
                keep(dwErrorControl, DwordOf(*key, "ErrorControl", SERVICE_ERROR_NORMAL));
            const DWORD configError = CheckStartConfig(type, startType, errorControl);
            if (configError != 0) {
                return configError;
            }
            if (lpDisplayName != nullptr) {
                // The name the service shows already was checked when it was given.
                RegistryValue current;
                const bool unchanged =
                    GetValue(*key, "DisplayName", &current) && HoldsText(current, shownName);
                if (!unchanged && IsNameTaken(state, {shownName}, service.serviceName)) {
                    return ERROR_DUPLICATE_SERVICE_NAME;
                }
            }
            SetValue(*key, "Type", REG_DWORD, DwordBytes(type));
            SetValue(*key, "Start", REG_DWORD, DwordBytes(startType));
            SetValue(*key, "ErrorControl", REG_DWORD, DwordBytes(errorControl));
            if (lpBinaryPathName != nullptr) {
                SetValue(*key, "ImagePath", REG_SZ, TextData(lpBinaryPathName));
            }
            if (lpDisplayName != nullptr) {
                SetValue(*key, "DisplayName", REG_SZ, TextData(shownName.c_str()));
            }
            if (lpLoadOrderGroup != nullptr) {
                SetTextOrRemove(*key, "Group", lpLoadOrderGroup);
            }
            if (lpDependencies != nullptr) {
                const std::string dependencies = DependencyData(lpDependencies);
                if (dependencies.empty()) {
                    RemoveValue(*key, "DependOnService");
                } else {
                    SetValue(*key, "DependOnService", REG_MULTI_SZ, dependencies);
                }
            }
            if (lpServiceStartName != nullptr) {
                SetValue(*key, "ObjectName", REG_SZ, TextData(lpServiceStartName));
            }
            return 0;
        });
    }
    return error == 0 ? 1 : Fail<BOOL>(error, 0);
}

BOOL DeleteService(SC_HANDLE hService) {
    ScmObject service;
    DWORD error = CheckHandle(hService, true, DELETE, &service);
    if (error == 0) {
        error = ChangeRegistry([&](RegistryState& state) -> DWORD {
            const std::string path = ServicePath(service.serviceName);
            if (FindKey(state, path) == nullptr) {
                return ERROR_SERVICE_MARKED_FOR_DELETE;
            }
            RemoveKeyTree(state, path);
            return 0;
        });
    }
    return error == 0 ? 1 : Fail<BOOL>(error, 0);
}

BOOL CloseServiceHandle(SC_HANDLE hSCObject) {
    ScmObject closed;
    if (!RemoveHandle(ScmObjects(), hSCObject, &closed)) {
        return Fail<BOOL>(ERROR_INVALID_HANDLE, 0);
    }
    return 1;
}
