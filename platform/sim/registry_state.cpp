#include "platform/sim/registry_state.h"

#include <algorithm>

#include "platform/sim/registry_value_line.h"

namespace {

char FoldCase(char character) {
    return (character >= 'A' && character <= 'Z') ? static_cast<char>(character + ('a' - 'A'))
                                                  : character;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The folded prefix that every key below `path` starts with.
std::string SubtreePrefix(const std::string& path) {
    return path.empty() ? std::string() : FoldKeyPath(path) + '\0';
}

// Calls `visit(begin, end)` for each of the key's unparsed value lines.
template <typename Visit>
void ForEachLine(const RegistryKey& key, Visit visit) {
    const char* line = key.lines.data();
    const char* end = line + key.lines.size();
    while (line < end) {
        const char* lineEnd = std::find(line, end, '\n');
        visit(line, lineEnd);
        line = lineEnd + 1;
    }
}

void Store(std::vector<RegistryValue>& values, RegistryValue value) {
    for (RegistryValue& existing : values) {
        if (EqualsIgnoringCase(existing.name, value.name)) {
            existing.type = value.type;
            existing.data = std::move(value.data);
            return;
        }
    }
    values.push_back(std::move(value));
}

void Parse(RegistryKey& key) {
    if (!key.parsed) {
        key.values = ValuesOf(key);
        key.lines.clear();
        key.parsed = true;
    }
}

}  // namespace

bool EqualsIgnoringCase(const std::string& left, const std::string& right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (std::size_t index = 0; index < left.size(); ++index) {
        if (left[index] != right[index] && FoldCase(left[index]) != FoldCase(right[index])) {
            return false;
        }
    }
    return true;
}

std::string FoldKeyPath(const std::string& path) {
    std::string folded = path;
    for (char& character : folded) {
        character = character == '\\' ? '\0' : FoldCase(character);
    }
    return folded;
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
    const auto found = state.keys.find(FoldKeyPath(path));
    return found == state.keys.end() ? nullptr : &found->second;
}

RegistryKey* FindKey(RegistryState& state, const std::string& path) {
    const auto found = state.keys.find(FoldKeyPath(path));
    return found == state.keys.end() ? nullptr : &found->second;
}

RegistryKey& EnsureKey(RegistryState& state, const std::string& path) {
    std::string folded = FoldKeyPath(path);
    auto found = state.keys.find(folded);
    if (found != state.keys.end()) {
        return found->second;
    }
    const std::size_t separator = path.rfind('\\');
    if (separator != std::string::npos) {
        EnsureKey(state, path.substr(0, separator));
    }
    RegistryKey key;
    key.path = path;
    return state.keys.emplace(std::move(folded), std::move(key)).first->second;
}

void RemoveKeyTree(RegistryState& state, const std::string& path) {
    const auto first = state.keys.find(FoldKeyPath(path));
    if (first == state.keys.end()) {
        return;
    }
    const std::string prefix = SubtreePrefix(path);
    auto last = std::next(first);
    while (last != state.keys.end() && StartsWith(last->first, prefix)) {
        ++last;
    }
    state.keys.erase(first, last);
}

std::vector<const RegistryKey*> ChildKeys(const RegistryState& state,
                                          const std::string& parentPath) {
    std::vector<const RegistryKey*> children;
    const std::string prefix = SubtreePrefix(parentPath);
    for (auto it = state.keys.lower_bound(prefix);
         it != state.keys.end() && StartsWith(it->first, prefix); ++it) {
        if (it->first.size() > prefix.size() &&
            it->first.find('\0', prefix.size()) == std::string::npos) {
            children.push_back(&it->second);
        }
    }
    return children;
}

bool GetValue(const RegistryKey& key, const std::string& name, RegistryValue* value) {
    if (key.parsed) {
        for (const RegistryValue& existing : key.values) {
            if (EqualsIgnoringCase(existing.name, name)) {
                *value = existing;
                return true;
            }
        }
        return false;
    }
    // A name given twice means its last line.
    bool found = false;
    ForEachLine(key, [&](const char* begin, const char* end) {
        if (EqualsIgnoringCase(ValueLineName(begin, end), name)) {
            found = ParseValueLine(begin, end, value);
        }
    });
    return found;
}

std::vector<RegistryValue> ValuesOf(const RegistryKey& key) {
    if (key.parsed) {
        return key.values;
    }
    std::vector<RegistryValue> values;
    ForEachLine(key, [&](const char* begin, const char* end) {
        RegistryValue value;
        if (ParseValueLine(begin, end, &value)) {
            Store(values, std::move(value));
        }
    });
    return values;
}

void SetValue(RegistryKey& key, const std::string& name, DWORD type, const std::string& data) {
    Parse(key);
    Store(key.values, RegistryValue{name, type, data});
}

void RemoveValue(RegistryKey& key, const std::string& name) {
    Parse(key);
    key.values.erase(std::remove_if(key.values.begin(), key.values.end(),
                                    [&](const RegistryValue& value) {
                                        return EqualsIgnoringCase(value.name, name);
                                    }),
                     key.values.end());
}

void AddValueLine(RegistryKey& key, const char* begin, const char* end) {
    if (key.parsed && !key.values.empty()) {
        RegistryValue value;
        ParseValueLine(begin, end, &value);
        Store(key.values, std::move(value));
        return;
    }
    key.parsed = false;
    key.lines.append(begin, end);
    key.lines += '\n';
}

bool operator==(const RegistryValue& left, const RegistryValue& right) {
    return left.name == right.name && left.type == right.type && left.data == right.data;
}

bool operator==(const RegistryState& left, const RegistryState& right) {
    return left.keys.size() == right.keys.size() &&
           std::equal(left.keys.begin(), left.keys.end(), right.keys.begin(),
                      [](const auto& a, const auto& b) {
                          return a.first == b.first && a.second.path == b.second.path &&
                                 ValuesOf(a.second) == ValuesOf(b.second);
                      });
}
