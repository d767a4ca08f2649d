#include "platform/sim/registry_file.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/registry_value_line.h"

namespace {

constexpr const char kHeader[] = "REGEDIT4";
constexpr const char kRootName[] = "HKEY_LOCAL_MACHINE";

// "[HKEY_LOCAL_MACHINE]" or "[HKEY_LOCAL_MACHINE\A\B]" to "" or "A\B"; no empty names and
// no NUL in them.
bool ParseKeyLine(const std::string& line, std::string* path) {
    const std::size_t rootLength = std::strlen(kRootName);
    if (line.size() < rootLength + 2 || line.back() != ']' ||
        !EqualsIgnoringCase(line.substr(1, rootLength), kRootName)) {
        return false;
    }
    const std::string rest = line.substr(1 + rootLength, line.size() - rootLength - 2);
    if (rest.empty()) {
        path->clear();
        return true;
    }
    if (rest[0] != '\\') {
        return false;
    }
    *path = rest.substr(1);
    return !path->empty() && path->back() != '\\' && path->find("\\\\") == std::string::npos &&
           path->find('\0') == std::string::npos;
}

// Walks the text a line at a time, without the line break and a carriage return before it.
struct LineReader {
    const char* cursor;
    const char* end;

    bool Next(const char** begin, const char** lineEnd) {
        if (cursor >= end) {
            return false;
        }
        *begin = cursor;
        const char* newline = static_cast<const char*>(std::memchr(cursor, '\n', end - cursor));
        *lineEnd = newline != nullptr ? newline : end;
        cursor = newline != nullptr ? newline + 1 : end;
        if (*lineEnd > *begin && (*lineEnd)[-1] == '\r') {
            --*lineEnd;
        }
        return true;
    }
};

// A long hex value may go on over several lines, each but the last ending in a backslash.
bool ContinuesOnNextLine(const char* begin, const char* end) {
    if (end == begin || end[-1] != '\\') {
        return false;
    }
    static const char kHex[] = "=hex";
    return std::search(begin, end, kHex, kHex + 4) != end;
}

}  // namespace

std::string FormatRegistryFile(const RegistryState& state) {
    // One allocation of about the right size: most keys are carried as their lines.
    std::size_t size = sizeof kHeader + 1;
    for (const auto& entry : state.keys) {
        size += entry.second.path.size() + sizeof kRootName + 6 + entry.second.lines.size() +
                entry.second.values.size() * 64;
    }
    std::string text;
    text.reserve(size);
    text += kHeader;
    text += '\n';
    for (const auto& entry : state.keys) {
        const RegistryKey& key = entry.second;
        text += "\n[";
        text += kRootName;
        if (!key.path.empty()) {
            text += '\\';
            text += key.path;
        }
        text += "]\n";
        if (key.parsed) {
            for (const RegistryValue& value : key.values) {
                AppendValueLine(value, &text);
            }
        } else {
            text += key.lines;
        }
    }
    return text;
}

bool ParseRegistryFile(const std::string& text, RegistryState* state) {
    state->keys.clear();
    LineReader reader{text.data(), text.data() + text.size()};
    const char* begin = nullptr;
    const char* end = nullptr;
    if (!reader.Next(&begin, &end) || std::string(begin, end) != kHeader) {
        return false;
    }
    RegistryKey* currentKey = nullptr;
    std::string joined;
    while (reader.Next(&begin, &end)) {
        if (begin == end || *begin == ';') {
            continue;
        }
        if (*begin == '[') {
            std::string path;
            if (!ParseKeyLine(std::string(begin, end), &path)) {
                return false;
            }
            currentKey = &EnsureKey(*state, path);
            continue;
        }
        if (ContinuesOnNextLine(begin, end)) {
            joined.assign(begin, end - 1);
            const char* nextBegin = nullptr;
            const char* nextEnd = nullptr;
            bool more = true;
            while (more && reader.Next(&nextBegin, &nextEnd)) {
                while (nextBegin < nextEnd && *nextBegin == ' ') {
                    ++nextBegin;
                }
                more = nextEnd > nextBegin && nextEnd[-1] == '\\';
                joined.append(nextBegin, more ? nextEnd - 1 : nextEnd);
            }
            begin = joined.data();
            end = joined.data() + joined.size();
        }
        if (currentKey == nullptr || !ParseValueLine(begin, end, nullptr)) {
            return false;
        }
        AddValueLine(*currentKey, begin, end);
    }
    return true;
}
