#include "platform/sim/registry_state.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/registry_value_line.h"

namespace {

// A backslash ranks below every other byte, so "A\B" sorts before "A B".
int Rank(char character) {
    return character == '\\' ? 0 : static_cast<unsigned char>(FoldCase(character)) + 1;
}

// Whether `path` lies below `parent` (the root "" holds everything).
bool IsBelow(std::string_view path, std::string_view parent) {
    if (parent.empty()) {
        return !path.empty();
    }
    return path.size() > parent.size() && path[parent.size()] == '\\' &&
           EqualsIgnoringCase(path.substr(0, parent.size()), parent);
}

// The first key not ordered before `path`, in a const or a changeable list.
template <typename Keys>
auto LowerBound(Keys& keys, std::string_view path) {
    return std::lower_bound(keys.begin(), keys.end(), path,
                            [](const RegistryKey& key, std::string_view wanted) {
                                return KeyPathLess(key.path, wanted);
                            });
}

// Calls `visit(begin, end)` for each of the key's unparsed value lines.
template <typename Visit>
void ForEachLine(const RegistryKey& key, Visit visit) {
    const char* line = key.lines.data();
    const char* end = line + key.lines.size();
    while (line < end) {
        const char* lineEnd =
            static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        if (lineEnd == nullptr) {
            lineEnd = end;
        }
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
        key.lines = std::string_view();
        key.parsed = true;
    }
}

}  // namespace

bool EqualsIgnoringCase(std::string_view left, std::string_view right) {
    if (left.size() != right.size()) {
        return false;
    }
    if (left == right) {
        return true;
    }
    for (std::size_t index = 0; index < left.size(); ++index) {
        if (left[index] != right[index] && FoldCase(left[index]) != FoldCase(right[index])) {
            return false;
        }
    }
    return true;
}

bool KeyPathLess(std::string_view left, std::string_view right) {
    const std::size_t common = std::min(left.size(), right.size());
    for (std::size_t index = 0; index < common; ++index) {
        // Paths mostly share long prefixes spelled alike: ranks only where bytes differ.
        if (left[index] != right[index]) {
            const int difference = Rank(left[index]) - Rank(right[index]);
            if (difference != 0) {
                return difference < 0;
            }
        }
    }
    return left.size() < right.size();
}

std::string DwordBytes(DWORD number) {
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8) {
        bytes += static_cast<char>((number >> shift) & 0xFF);
    }
    return bytes;
}

std::string JoinKeyPath(const std::string& parent, const std::string& child) {
    return parent.empty() ? child : parent + "\\" + child;
}

std::string_view Keep(RegistryState& state, std::string text) {
    auto kept = std::make_shared<const std::string>(std::move(text));
    state.storage.push_back(kept);
    return *kept;
}

RegistryState InitialRegistryState() {
    RegistryState state;
    EnsureKey(state, kServicesKeyPath);
    return state;
}

template <typename State>
auto FindKeyIn(State& state, std::string_view path) -> decltype(&state.keys.front()) {
    const auto found = LowerBound(state.keys, path);
    return found != state.keys.end() && EqualsIgnoringCase(found->path, path) ? &*found : nullptr;
}

const RegistryKey* FindKey(const RegistryState& state, std::string_view path) {
    return FindKeyIn(state, path);
}

RegistryKey* FindKey(RegistryState& state, std::string_view path) {
    return FindKeyIn(state, path);
}

RegistryKey& EnsureKey(RegistryState& state, std::string_view path) {
    if (RegistryKey* existing = FindKey(state, path)) {
        return *existing;
    }
    const std::size_t separator = path.rfind('\\');
    if (separator != std::string_view::npos) {
        EnsureKey(state, path.substr(0, separator));
    }
    RegistryKey key;
    key.path = Keep(state, std::string(path));
    return *state.keys.insert(LowerBound(state.keys, key.path), std::move(key));
}

void RemoveKeyTree(RegistryState& state, std::string_view path) {
    const auto first = LowerBound(state.keys, path);
    if (first == state.keys.end() || !EqualsIgnoringCase(first->path, path)) {
        return;
    }
    // A key's subtree follows it directly.
    auto last = std::next(first);
    while (last != state.keys.end() && IsBelow(last->path, path)) {
        ++last;
    }
    state.keys.erase(first, last);
}

std::vector<const RegistryKey*> ChildKeys(const RegistryState& state, std::string_view parentPath) {
    std::vector<const RegistryKey*> children;
    const std::vector<RegistryKey>& keys = state.keys;
    for (auto it = LowerBound(keys, parentPath); it != keys.end(); ++it) {
        if (EqualsIgnoringCase(it->path, parentPath)) {
            continue;
        }
        if (!IsBelow(it->path, parentPath)) {
            break;
        }
        const std::size_t nameStart = parentPath.empty() ? 0 : parentPath.size() + 1;
        if (it->path.find('\\', nameStart) == std::string_view::npos) {
            children.push_back(&*it);
        }
    }
    return children;
}

std::string KeyName(const RegistryKey& key) {
    const std::size_t separator = key.path.rfind('\\');
    return std::string(separator == std::string_view::npos ? key.path
                                                           : key.path.substr(separator + 1));
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
        if (ValueLineHasName(begin, end, name)) {
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

void SortKeys(RegistryState& state) {
    std::vector<RegistryKey>& keys = state.keys;
    const auto less = [](const RegistryKey& a, const RegistryKey& b) {
        return KeyPathLess(a.path, b.path);
    };
    // A file this program wrote is in order already.
    if (!std::is_sorted(keys.begin(), keys.end(), less)) {
        std::stable_sort(keys.begin(), keys.end(), less);
    }
    // One key per path: the first spelling, the lines of every section in file order.
    std::size_t kept = 0;
    for (std::size_t index = 0; index < keys.size(); ++index) {
        if (kept > 0 && EqualsIgnoringCase(keys[kept - 1].path, keys[index].path)) {
            RegistryKey& first = keys[kept - 1];
            first.lines = Keep(state, std::string(first.lines) + std::string(keys[index].lines));
            first.parsed = first.lines.empty();
        } else {
            if (kept != index) {
                keys[kept] = std::move(keys[index]);
            }
            ++kept;
        }
    }
    keys.resize(kept);
    // Parents the text left out. In order, a key's parent is on the stack of the keys
    // whose subtree the walk is in.
    std::vector<std::string> missing;
    std::vector<std::string_view> ancestors;
    for (const RegistryKey& key : keys) {
        while (!ancestors.empty() && !IsBelow(key.path, ancestors.back())) {
            ancestors.pop_back();
        }
        const std::size_t separator = key.path.rfind('\\');
        const std::string_view parent = separator == std::string_view::npos
                                            ? std::string_view()
                                            : key.path.substr(0, separator);
        if (!parent.empty() && (ancestors.empty() || ancestors.back().size() != parent.size())) {
            missing.emplace_back(parent);
        }
        ancestors.push_back(key.path);
    }
    for (const std::string& path : missing) {
        EnsureKey(state, path);
    }
}

bool operator==(const RegistryValue& left, const RegistryValue& right) {
    return left.name == right.name && left.type == right.type && left.data == right.data;
}

bool operator==(const RegistryState& left, const RegistryState& right) {
    return left.keys.size() == right.keys.size() &&
           std::equal(left.keys.begin(), left.keys.end(), right.keys.begin(),
                      [](const RegistryKey& a, const RegistryKey& b) {
                          return a.path == b.path && ValuesOf(a) == ValuesOf(b);
                      });
}
