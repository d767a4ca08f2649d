// The simulated registry in memory: the keys below HKEY_LOCAL_MACHINE with their values.
// Key and value names compare case-insensitively and keep the case they were made with.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/service_platform.h"

struct RegistryValue {
    std::string name;  // empty for the key's default value
    DWORD type = REG_NONE;
    std::string data;  // the raw bytes; a REG_SZ holds its terminating NUL
};

struct RegistryKey {
    std::string path;  // below HKEY_LOCAL_MACHINE, components joined by backslashes
    std::vector<RegistryValue> values;
};

// Orders paths case-insensitively and component by component, so that a key is followed
// directly by its subtree.
struct KeyPathLess {
    bool operator()(const std::string& left, const std::string& right) const;
};

struct RegistryState {
    std::map<std::string, RegistryKey, KeyPathLess> keys;
};

constexpr const char kServicesKeyPath[] = "SYSTEM\\CurrentControlSet\\Services";

bool EqualsIgnoringCase(const std::string& left, const std::string& right);
std::string JoinKeyPath(const std::string& parent, const std::string& child);

// The registry a new machine starts with: the services key and its parents.
RegistryState InitialRegistryState();

const RegistryKey* FindKey(const RegistryState& state, const std::string& path);
RegistryKey* FindKey(RegistryState& state, const std::string& path);
// Finds or creates the key, creating its missing parents too.
RegistryKey& EnsureKey(RegistryState& state, const std::string& path);
// Removes the key and everything below it.
void RemoveKeyTree(RegistryState& state, const std::string& path);
// The keys directly below `parentPath`.
std::vector<const RegistryKey*> ChildKeys(const RegistryState& state,
                                          const std::string& parentPath);

const RegistryValue* FindValue(const RegistryKey& key, const std::string& name);
// Replaces a value of the same name in place, or appends a new one.
void SetValue(RegistryKey& key, const std::string& name, DWORD type, const std::string& data);
void RemoveValue(RegistryKey& key, const std::string& name);

bool operator==(const RegistryValue& left, const RegistryValue& right);
bool operator==(const RegistryKey& left, const RegistryKey& right);
bool operator==(const RegistryState& left, const RegistryState& right);
