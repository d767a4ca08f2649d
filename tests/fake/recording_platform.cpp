#include "tests/fake/recording_platform.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

namespace fake {
namespace {

struct ScriptedFailure {
    std::string operation;
    int occurrence;
    DWORD error;
};

struct State {
    std::vector<std::string> events;
    std::string output;
    std::vector<ScriptedFailure> failures;
    std::map<std::string, int> callsByOperation;
    int acquiringCalls = 0;
    int failingIndex = 0;
    DWORD failingIndexError = 0;
    DWORD lastError = 0;
    std::map<std::string, int> counters;      // next number per kind of resource
    std::map<const void*, std::string> open;  // live resources and their log names
    std::vector<std::string> releaseErrors;
    std::vector<std::string> releases;
    char handleSpace[4096];  // distinct addresses for handles that are never dereferenced
    int nextHandleOffset = 0;
};

State& Current() {
    static State state;
    return state;
}

// Decides whether this call of `operation` fails, and counts it.
bool ShouldFail(const std::string& operation, DWORD* error) {
    State& state = Current();
    const int occurrence = ++state.callsByOperation[operation];
    const int index = ++state.acquiringCalls;
    if (index == state.failingIndex) {
        *error = state.failingIndexError;
        return true;
    }
    for (const ScriptedFailure& failure : state.failures) {
        if (failure.operation == operation && failure.occurrence == occurrence) {
            *error = failure.error;
            return true;
        }
    }
    return false;
}

std::string Obtain(const std::string& kind, const void* address) {
    State& state = Current();
    const std::string name = kind + std::to_string(++state.counters[kind]);
    state.open[address] = name;
    return name;
}

void* NewHandle(const std::string& kind, std::string* name) {
    State& state = Current();
    void* address = &state.handleSpace[state.nextHandleOffset++ % sizeof(state.handleSpace)];
    *name = Obtain(kind, address);
    return address;
}

std::string NameOf(const void* address) {
    if (address == HKEY_LOCAL_MACHINE) {
        return "HKLM";
    }
    if (address == nullptr) {
        return "null";
    }
    const auto found = Current().open.find(address);
    return found == Current().open.end() ? "unknown" : found->second;
}

void Release(const std::string& operation, const void* address) {
    State& state = Current();
    const auto found = state.open.find(address);
    std::string event = operation + "(" + NameOf(address) + ")";
    if (found == state.open.end()) {
        state.releaseErrors.push_back(event);
    } else {
        state.open.erase(found);
    }
    state.events.push_back(event);
    state.releases.push_back(event);
}

std::string Quote(const char* text) {
    return text == nullptr ? "null" : "\"" + std::string(text) + "\"";
}

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
    return text;
}

void Log(const std::string& event) {
    Current().events.push_back(event);
}

SC_HANDLE ServiceCall(const std::string& operation, const std::string& arguments,
                      const std::string& kind) {
    DWORD error = 0;
    if (ShouldFail(operation, &error)) {
        Current().lastError = error;
        Log(operation + "(" + arguments + ") -> null");
        return nullptr;
    }
    std::string name;
    void* handle = NewHandle(kind, &name);
    Log(operation + "(" + arguments + ") -> " + name);
    return static_cast<SC_HANDLE>(handle);
}

BOOL ServiceAction(const std::string& operation, const std::string& arguments) {
    DWORD error = 0;
    const bool fails = ShouldFail(operation, &error);
    if (fails) {
        Current().lastError = error;
    }
    Log(operation + "(" + arguments + ") -> " + (fails ? "0" : "1"));
    return fails ? 0 : 1;
}

}  // namespace

void Reset() {
    State& state = Current();
    for (const auto& entry : state.open) {
        if (entry.second.rfind("buf", 0) == 0) {
            std::free(const_cast<void*>(entry.first));
        }
    }
    state.events.clear();
    state.output.clear();
    state.failures.clear();
    state.callsByOperation.clear();
    state.acquiringCalls = 0;
    state.failingIndex = 0;
    state.failingIndexError = 0;
    state.lastError = 0;
    state.counters.clear();
    state.open.clear();
    state.releaseErrors.clear();
    state.releases.clear();
    state.nextHandleOffset = 0;
}

void FailCall(const std::string& operation, DWORD error, int occurrence) {
    Current().failures.push_back({operation, occurrence, error});
}

void FailNthAcquiringCall(int index, DWORD error) {
    Current().failingIndex = index;
    Current().failingIndexError = error;
}

int AcquiringCallCount() {
    return Current().acquiringCalls;
}

const std::vector<std::string>& Events() {
    return Current().events;
}

std::vector<std::string> Releases() {
    return Current().releases;
}

std::string Output() {
    return Current().output;
}

std::vector<std::string> Unreleased() {
    std::vector<std::string> names;
    for (const auto& entry : Current().open) {
        names.push_back(entry.second);
    }
    return names;
}

const std::vector<std::string>& ReleaseErrors() {
    return Current().releaseErrors;
}

std::string DescribeDependencyList(const char* list) {
    if (list == nullptr) {
        return "null";
    }
    std::string text = "[";
    for (const char* name = list; *name != '\0'; name += std::strlen(name) + 1) {
        text += (text.size() > 1 ? ", " : "") + Quote(name);
    }
    return text + "]";
}

}  // namespace fake

using fake::Hex;
using fake::NameOf;
using fake::Quote;

SC_HANDLE OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName, DWORD dwDesiredAccess) {
    return fake::ServiceCall(
        "OpenSCManagerA",
        Quote(lpMachineName) + ", " + Quote(lpDatabaseName) + ", " + Hex(dwDesiredAccess), "scm");
}

SC_LOCK LockServiceDatabase(SC_HANDLE hSCManager) {
    return fake::ServiceCall("LockServiceDatabase", NameOf(hSCManager), "lock");
}

BOOL UnlockServiceDatabase(SC_LOCK ScLock) {
    fake::Release("UnlockServiceDatabase", ScLock);
    return 1;
}

SC_HANDLE OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess) {
    return fake::ServiceCall(
        "OpenServiceA",
        NameOf(hSCManager) + ", " + Quote(lpServiceName) + ", " + Hex(dwDesiredAccess), "svc");
}

SC_HANDLE CreateServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, LPCSTR lpDisplayName,
                         DWORD dwDesiredAccess, DWORD dwServiceType, DWORD dwStartType,
                         DWORD dwErrorControl, LPCSTR lpBinaryPathName, LPCSTR lpLoadOrderGroup,
                         LPDWORD lpdwTagId, LPCSTR lpDependencies, LPCSTR lpServiceStartName,
                         LPCSTR lpPassword) {
    const std::string arguments =
        NameOf(hSCManager) + ", " + Quote(lpServiceName) + ", " + Quote(lpDisplayName) + ", " +
        Hex(dwDesiredAccess) + ", " + Hex(dwServiceType) + ", " + std::to_string(dwStartType) +
        ", " + std::to_string(dwErrorControl) + ", " + Quote(lpBinaryPathName) + ", " +
        Quote(lpLoadOrderGroup) + ", " + (lpdwTagId == nullptr ? "null" : "tag") + ", " +
        fake::DescribeDependencyList(lpDependencies) + ", " + Quote(lpServiceStartName) + ", " +
        Quote(lpPassword);
    return fake::ServiceCall("CreateServiceA", arguments, "svc");
}

BOOL ChangeServiceConfigA(SC_HANDLE hService, DWORD dwServiceType, DWORD dwStartType,
                          DWORD dwErrorControl, LPCSTR lpBinaryPathName, LPCSTR lpLoadOrderGroup,
                          LPDWORD lpdwTagId, LPCSTR lpDependencies, LPCSTR lpServiceStartName,
                          LPCSTR lpPassword, LPCSTR lpDisplayName) {
    const std::string arguments =
        NameOf(hService) + ", " + Hex(dwServiceType) + ", " + std::to_string(dwStartType) + ", " +
        std::to_string(dwErrorControl) + ", " + Quote(lpBinaryPathName) + ", " +
        Quote(lpLoadOrderGroup) + ", " + (lpdwTagId == nullptr ? "null" : "tag") + ", " +
        fake::DescribeDependencyList(lpDependencies) + ", " + Quote(lpServiceStartName) + ", " +
        Quote(lpPassword) + ", " + Quote(lpDisplayName);
    return fake::ServiceAction("ChangeServiceConfigA", arguments);
}

BOOL DeleteService(SC_HANDLE hService) {
    return fake::ServiceAction("DeleteService", NameOf(hService));
}

BOOL CloseServiceHandle(SC_HANDLE hSCObject) {
    fake::Release("CloseServiceHandle", hSCObject);
    return 1;
}

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                      PHKEY phkResult) {
    const std::string call = "RegOpenKeyExA(" + NameOf(hKey) + ", " + Quote(lpSubKey) + ", " +
                             std::to_string(ulOptions) + ", " + Hex(samDesired) + ") -> ";
    DWORD error = 0;
    if (fake::ShouldFail("RegOpenKeyExA", &error)) {
        fake::Log(call + std::to_string(error));
        return static_cast<LSTATUS>(error);
    }
    std::string name;
    *phkResult = static_cast<HKEY>(fake::NewHandle("key", &name));
    fake::Log(call + "0 " + name);
    return 0;
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                       const BYTE* lpData, DWORD cbData) {
    std::string data;
    for (DWORD index = 0; index < cbData; ++index) {
        const char byte = static_cast<char>(lpData[index]);
        data += byte == '\0' ? std::string("\\0") : std::string(1, byte);
    }
    const std::string call = "RegSetValueExA(" + NameOf(hKey) + ", " + Quote(lpValueName) + ", " +
                             std::to_string(Reserved) + ", " + std::to_string(dwType) + ", \"" +
                             data + "\", " + std::to_string(cbData) + ") -> ";
    DWORD error = 0;
    const bool fails = fake::ShouldFail("RegSetValueExA", &error);
    fake::Log(call + std::to_string(fails ? error : 0));
    return fails ? static_cast<LSTATUS>(error) : 0;
}

LSTATUS RegCloseKey(HKEY hKey) {
    fake::Release("RegCloseKey", hKey);
    return 0;
}

DWORD GetLastError() {
    const DWORD error = fake::Current().lastError;
    fake::Log("GetLastError() -> " + std::to_string(error));
    return error;
}

void* AllocateBuffer(std::size_t size) {
    const std::string call = "AllocateBuffer(" + std::to_string(size) + ") -> ";
    DWORD error = 0;
    if (fake::ShouldFail("AllocateBuffer", &error)) {
        fake::Log(call + "null");
        return nullptr;
    }
    void* buffer = std::calloc(size, 1);
    fake::Log(call + fake::Obtain("buf", buffer));
    return buffer;
}

void ReleaseBuffer(void* buffer) {
    // Releasing null is a no-op, as free() makes it; it is not worth a line of the log.
    if (buffer == nullptr) {
        return;
    }
    fake::Release("ReleaseBuffer", buffer);
    std::free(buffer);
}

void PrintFormatted(const char* format, ...) {
    char text[4096];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    fake::Current().output += text;
    fake::Log(std::string("print: ") + text);
}
