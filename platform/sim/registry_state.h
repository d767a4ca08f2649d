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

// A key's values come in one of two forms. Read from the file, they stay the file's value
// lines (already checked) until something changes them, and only then are parsed: most
// keys of a run are only carried from the old file to the new one.
struct RegistryKey {
    std::string path;  // below HKEY_LOCAL_MACHINE, components joined by backslashes
    bool parsed = true;
    std::string lines;                  // while not parsed: value lines, each ending in \n
    std::vector<RegistryValue> values;  // once parsed
};

// The keys by their folded paths (see FoldKeyPath), so that a key is followed directly by
// its subtree.
struct RegistryState {
    std::map<std::string, RegistryKey> keys;
};

constexpr const char kServicesKeyPath[] = "SYSTEM\\CurrentControlSet\\Services";

bool EqualsIgnoringCase(const std::string& left, const std::string& right);
// A path as the keys are ordered and looked up: letters in lower case and each backslash
// turned into a NUL, which sorts below every other byte. Key names hold no NUL.
std::string FoldKeyPath(const std::string& path);
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

// Copies the named value; false when the key has none of that name.
bool GetValue(const RegistryKey& key, const std::string& name, RegistryValue* value);
// All values, in order; a name given twice keeps its first place and its last data.
std::vector<RegistryValue> ValuesOf(const RegistryKey& key);
// Replaces a value of the same name in place, or appends a new one.
void SetValue(RegistryKey& key, const std::string& name, DWORD type, const std::string& data);
void RemoveValue(RegistryKey& key, const std::string& name);
// Adds a value line that ParseValueLine accepted, leaving it unparsed.
void AddValueLine(RegistryKey& key, const char* begin, const char* end);

bool operator==(const RegistryValue& left, const RegistryValue& right);
// Same keys, spelled alike, with the same values.
bool operator==(const RegistryState& left, const RegistryState& right);
