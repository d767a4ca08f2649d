#include "platform/sim/registry_state.h"

#include <algorithm>

namespace {

// A backslash ranks below every other byte, so "A\B" sorts before "A B".
int Rank(char character) {
    if (character == '\\') {
        return 0;
    }
    const unsigned char byte = static_cast<unsigned char>(character);
    return (byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte) + 1;
}

bool StartsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

bool KeyPathLess::operator()(const std::string& left, const std::string& right) const {
    const std::size_t common = std::min(left.size(), right.size());
    for (std::size_t index = 0; index < common; ++index) {
        const int difference = Rank(left[index]) - Rank(right[index]);
        if (difference != 0) {
            return difference < 0;
        }
    }
    return left.size() < right.size();
}

bool EqualsIgnoringCase(const std::string& left, const std::string& right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (std::size_t index = 0; index < left.size(); ++index) {
        if (Rank(left[index]) != Rank(right[index])) {
            return false;
        }
    }
    return true;
}

std::string JoinKeyPath(const std::string& parent, const std::string& child) {
    return parent.empty() ? child : parent + "\\" + child;
}

RegistryState InitialRegistryState() {
    RegistryState state;
    EnsureKey(state, kServicesKeyPath);
    return state;
}

const RegistryKey* FindKey(const RegistryState& state, const std::string& path) {
    const auto found = state.keys.find(path);
    return found == state.keys.end() ? nullptr : &found->second;
}

RegistryKey* FindKey(RegistryState& state, const std::string& path) {
    const auto found = state.keys.find(path);
    return found == state.keys.end() ? nullptr : &found->second;
}

RegistryKey& EnsureKey(RegistryState& state, const std::string& path) {
    const std::size_t separator = path.rfind('\\');
    if (separator != std::string::npos) {
        EnsureKey(state, path.substr(0, separator));
    }
    auto found = state.keys.find(path);
    if (found == state.keys.end()) {
        found = state.keys.emplace(path, RegistryKey{path, {}}).first;
    }
    return found->second;
}

void RemoveKeyTree(RegistryState& state, const std::string& path) {
    const auto first = state.keys.find(path);
    if (first == state.keys.end()) {
        return;
    }
    const std::string subtreePrefix = path + "\\";
    auto last = std::next(first);
    while (last != state.keys.end() && StartsWithIgnoringCase(last->first, subtreePrefix)) {
        ++last;
    }
    state.keys.erase(first, last);
}

std::vector<const RegistryKey*> ChildKeys(const RegistryState& state,
                                          const std::string& parentPath) {
    std::vector<const RegistryKey*> children;
    const std::string prefix = parentPath.empty() ? "" : parentPath + "\\";
    for (auto it = state.keys.lower_bound(prefix);
         it != state.keys.end() && StartsWithIgnoringCase(it->first, prefix); ++it) {
        if (it->first.size() > prefix.size() &&
            it->first.find('\\', prefix.size()) == std::string::npos) {
            children.push_back(&it->second);
        }
    }
    return children;
}

const RegistryValue* FindValue(const RegistryKey& key, const std::string& name) {
    for (const RegistryValue& value : key.values) {
        if (EqualsIgnoringCase(value.name, name)) {
            return &value;
        }
    }
    return nullptr;
}

void SetValue(RegistryKey& key, const std::string& name, DWORD type, const std::string& data) {
    for (RegistryValue& value : key.values) {
        if (EqualsIgnoringCase(value.name, name)) {
            value.type = type;
            value.data = data;
            return;
        }
    }
    key.values.push_back(RegistryValue{name, type, data});
}

void RemoveValue(RegistryKey& key, const std::string& name) {
    key.values.erase(std::remove_if(key.values.begin(), key.values.end(),
                                    [&](const RegistryValue& value) {
                                        return EqualsIgnoringCase(value.name, name);
                                    }),
                     key.values.end());
}

bool operator==(const RegistryValue& left, const RegistryValue& right) {
    return left.name == right.name && left.type == right.type && left.data == right.data;
}

bool operator==(const RegistryKey& left, const RegistryKey& right) {
    return left.path == right.path && left.values == right.values;
}

bool operator==(const RegistryState& left, const RegistryState& right) {
    return left.keys.size() == right.keys.size() &&
           std::equal(left.keys.begin(), left.keys.end(), right.keys.begin(),
                      [](const auto& a, const auto& b) { return a.second == b.second; });
}
