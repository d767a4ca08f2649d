// The simulated registry in memory: the keys below HKEY_LOCAL_MACHINE with their values.
// Key and value names compare case-insensitively and keep the case they were made with.
//
// A registry of a thousand services is read and written whole by every change, so the
// state is kept cheap to build and to write back: keys point into the file's text, and a
// key's values stay the file's value lines until something changes them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/service_platform.h"

struct RegistryValue {
    std::string name;  // empty for the key's default value
    DWORD type = REG_NONE;
    std::string data;  // the raw bytes; a REG_SZ holds its terminating NUL
};

struct RegistryKey {
    std::string_view path;  // below HKEY_LOCAL_MACHINE, components joined by backslashes
    bool parsed = true;
    std::string_view lines;             // while not parsed: value lines, each ending in \n
    std::vector<RegistryValue> values;  // once parsed
};

struct RegistryState {
    // Ordered by path, case-insensitively and component by component, so that a key is
    // followed directly by its subtree. Adding or removing a key moves the others.
    std::vector<RegistryKey> keys;
    // What paths and lines point into; shared by copies of the state.
    std::vector<std::shared_ptr<const void>> storage;
};

constexpr const char kServicesKeyPath[] = "SYSTEM\\CurrentControlSet\\Services";

// ASCII letters in lower case; names compare case-insensitively through this.
inline char FoldCase(char character) {
    return (character >= 'A' && character <= 'Z') ? static_cast<char>(character + ('a' - 'A'))
                                                  : character;
}
bool EqualsIgnoringCase(std::string_view left, std::string_view right);
// The four little-endian bytes a REG_DWORD value holds.
std::string DwordBytes(DWORD number);
std::string JoinKeyPath(const std::string& parent, const std::string& child);
// Keeps `text` alive as long as the state (or a copy) and returns a view of it.
std::string_view Keep(RegistryState& state, std::string text);

// The registry a new machine starts with: the services key and its parents.
RegistryState InitialRegistryState();

const RegistryKey* FindKey(const RegistryState& state, std::string_view path);
RegistryKey* FindKey(RegistryState& state, std::string_view path);
// Finds or creates the key, creating its missing parents too.
RegistryKey& EnsureKey(RegistryState& state, std::string_view path);
// Removes the key and everything below it.
void RemoveKeyTree(RegistryState& state, std::string_view path);
// The keys directly below `parentPath`.
std::vector<const RegistryKey*> ChildKeys(const RegistryState& state, std::string_view parentPath);
// The last component of the key's path.
std::string KeyName(const RegistryKey& key);

// Copies the named value; false when the key has none of that name.
bool GetValue(const RegistryKey& key, const std::string& name, RegistryValue* value);
// All values, in order; a name given twice keeps its first place and its last data.
std::vector<RegistryValue> ValuesOf(const RegistryKey& key);
// Replaces a value of the same name in place, or appends a new one.
void SetValue(RegistryKey& key, const std::string& name, DWORD type, const std::string& data);
void RemoveValue(RegistryKey& key, const std::string& name);

// Orders two paths as RegistryState::keys is ordered.
bool KeyPathLess(std::string_view left, std::string_view right);
// Restores the order after keys were appended in any order: a path given twice becomes
// one key with the lines of both, and missing parents are added.
void SortKeys(RegistryState& state);

bool operator==(const RegistryValue& left, const RegistryValue& right);
// Same keys, spelled alike, with the same values.
bool operator==(const RegistryState& left, const RegistryState& right);
