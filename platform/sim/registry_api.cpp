// The registry operations of the simulated machine. Keys are opened on the registry file's
// current state; a value is set as one change of the file.
#include <string>

#include "platform/sim/handle_table.h"
#include "platform/sim/machine_store.h"

namespace {

struct OpenKey {
    std::string path;  // as the key is spelled in the registry
    REGSAM access = 0;
};

HandleTable<OpenKey>& OpenKeys() {
    static HandleTable<OpenKey> table;
    return table;
}

constexpr DWORD kOpenLinkOption = 0x00000008;

// The path of an open key or of the root; false for a bad handle.
bool ResolveKey(HKEY key, OpenKey* record) {
    if (key == HKEY_LOCAL_MACHINE) {
        *record = OpenKey{"", KEY_READ};
        return true;
    }
    return LookUpHandle(OpenKeys(), key, record);
}

}  // namespace

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                      PHKEY phkResult) {
    if (phkResult == nullptr) {
        return static_cast<LSTATUS>(ERROR_INVALID_PARAMETER);
    }
    *phkResult = nullptr;
    OpenKey parent;
    if (!ResolveKey(hKey, &parent)) {
        return static_cast<LSTATUS>(ERROR_INVALID_HANDLE);
    }
    if ((ulOptions & ~kOpenLinkOption) != 0) {
        return static_cast<LSTATUS>(ERROR_INVALID_PARAMETER);
    }
    const std::string subKey = lpSubKey == nullptr ? "" : lpSubKey;
    const std::string path = subKey.empty() ? parent.path : JoinKeyPath(parent.path, subKey);
    if (path.empty()) {
        *phkResult = static_cast<HKEY>(AddHandle(OpenKeys(), OpenKey{"", samDesired}));
        return 0;
    }
    std::shared_ptr<const RegistryState> state;
    const DWORD error = ReadRegistry(&state);
    if (error != 0) {
        return static_cast<LSTATUS>(error);
    }
    const RegistryKey* key = FindKey(*state, path);
    if (key == nullptr) {
        return static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND);
    }
    *phkResult =
        static_cast<HKEY>(AddHandle(OpenKeys(), OpenKey{std::string(key->path), samDesired}));
    return 0;
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                       const BYTE* lpData, DWORD cbData) {
    OpenKey key;
    if (!ResolveKey(hKey, &key)) {
        return static_cast<LSTATUS>(ERROR_INVALID_HANDLE);
    }
    // The root itself holds no values.
    if (key.path.empty() || (key.access & KEY_SET_VALUE) == 0) {
        return static_cast<LSTATUS>(ERROR_ACCESS_DENIED);
    }
    const std::string name = lpValueName == nullptr ? "" : lpValueName;
    // A line break cannot be part of a name in the registry file.
    if (Reserved != 0 || (lpData == nullptr && cbData != 0) ||
        name.find('\n') != std::string::npos) {
        return static_cast<LSTATUS>(ERROR_INVALID_PARAMETER);
    }
    const std::string data(reinterpret_cast<const char*>(lpData), lpData == nullptr ? 0 : cbData);
    return static_cast<LSTATUS>(ChangeRegistry([&](RegistryState& state) -> DWORD {
        RegistryKey* target = FindKey(state, key.path);
        if (target == nullptr) {
            return ERROR_KEY_DELETED;
        }
        SetValue(*target, name, dwType, data);
        return 0;
    }));
}

LSTATUS RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_LOCAL_MACHINE) {
        return 0;
    }
    OpenKey closed;
    return RemoveHandle(OpenKeys(), hKey, &closed) ? 0 : static_cast<LSTATUS>(ERROR_INVALID_HANDLE);
}
