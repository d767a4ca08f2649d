#include "platform/sim/registry_file.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/registry_value_line.h"

namespace {

constexpr const char kHeader[] = "REGEDIT4";
constexpr const char kRootName[] = "HKEY_LOCAL_MACHINE";

// "[HKEY_LOCAL_MACHINE]" or "[HKEY_LOCAL_MACHINE\A\B]" to "" or "A\B", as a view of the
// line; no empty names and no NUL in them.
bool ParseKeyLine(std::string_view line, std::string_view* path) {
    const std::size_t rootLength = std::strlen(kRootName);
    if (line.size() < rootLength + 2 || line.back() != ']' ||
        !EqualsIgnoringCase(line.substr(1, rootLength), kRootName)) {
        return false;
    }
    const std::string_view rest = line.substr(1 + rootLength, line.size() - rootLength - 2);
    if (rest.empty()) {
        *path = std::string_view();
        return true;
    }
    if (rest[0] != '\\') {
        return false;
    }
    *path = rest.substr(1);
    return !path->empty() && path->back() != '\\' && path->find("\\\\") == std::string_view::npos &&
           path->find('\0') == std::string_view::npos;
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

bool WriteRegistryText(const RegistryState& state,
                       const std::function<bool(const std::string&)>& write) {
    // Small enough to come from the heap, where the next write finds the same pages again.
    constexpr std::size_t kPieceSize = 32 * 1024;
    std::string piece;
    piece.reserve(kPieceSize * 2);
    piece += kHeader;
    piece += '\n';
    for (const RegistryKey& key : state.keys) {
        piece += "\n[";
        piece += kRootName;
        if (!key.path.empty()) {
            piece += '\\';
            piece += key.path;
        }
        piece += "]\n";
        if (key.parsed) {
            for (const RegistryValue& value : key.values) {
                AppendValueLine(value, &piece);
            }
        } else {
            piece += key.lines;
        }
        if (piece.size() >= kPieceSize) {
            if (!write(piece)) {
                return false;
            }
            piece.clear();
        }
    }
    return piece.empty() || write(piece);
}

std::string FormatRegistryFile(const RegistryState& state) {
    std::string text;
    WriteRegistryText(state, [&](const std::string& piece) {
        text += piece;
        return true;
    });
    return text;
}

bool ParseRegistryFile(std::string text, RegistryState* state) {
    auto owner = std::make_shared<const std::string>(std::move(text));
    const std::string_view view = *owner;
    return ParseRegistryText(view, std::move(owner), state);
}

bool ParseRegistryText(std::string_view kept, std::shared_ptr<const void> owner,
                       RegistryState* state) {
    *state = RegistryState();
    state->storage.push_back(std::move(owner));
    // One allocation for the keys: about one per line that opens with a bracket.
    std::size_t sections = 0;
    for (const char *cursor = kept.data(), *textEnd = cursor + kept.size();
         (cursor = static_cast<const char*>(std::memchr(cursor, '[', textEnd - cursor))) != nullptr;
         ++cursor) {
        sections += (cursor == kept.data() || cursor[-1] == '\n') ? 1 : 0;
    }
    state->keys.reserve(sections + 8);
    LineReader reader{kept.data(), kept.data() + kept.size()};
    const char* begin = nullptr;
    const char* end = nullptr;
    if (!reader.Next(&begin, &end) || std::string_view(begin, end - begin) != kHeader) {
        return false;
    }
    // A key's value lines are a view of the text while they stand together in it, each
    // ending in a bare line feed; otherwise they are gathered in `gathered`.
    RegistryKey* currentKey = nullptr;
    std::string gathered;
    bool gathering = false;
    const auto finishKey = [&] {
        if (currentKey != nullptr && gathering) {
            currentKey->lines = Keep(*state, gathered);
        }
        gathered.clear();
        gathering = false;
    };
    std::string joined;
    while (reader.Next(&begin, &end)) {
        if (begin == end || *begin == ';') {
            continue;
        }
        if (*begin == '[') {
            RegistryKey key;
            if (!ParseKeyLine(std::string_view(begin, static_cast<std::size_t>(end - begin)),
                              &key.path)) {
                return false;
            }
            finishKey();
            state->keys.push_back(std::move(key));
            currentKey = &state->keys.back();
            continue;
        }
        bool standsInText = end < kept.data() + kept.size() && *end == '\n';
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
            standsInText = false;
        }
        if (currentKey == nullptr || !ParseValueLine(begin, end, nullptr)) {
            return false;
        }
        currentKey->parsed = false;
        const bool follows = currentKey->lines.empty() ||
                             currentKey->lines.data() + currentKey->lines.size() == begin;
        if (!gathering && standsInText && follows) {
            const char* first = currentKey->lines.empty() ? begin : currentKey->lines.data();
            currentKey->lines = std::string_view(first, static_cast<std::size_t>(end + 1 - first));
            continue;
        }
        if (!gathering) {
            gathered.assign(currentKey->lines);
            gathering = true;
        }
        gathered.append(begin, end);
        gathered += '\n';
    }
    finishKey();
    SortKeys(*state);
    return true;
}
