#include "platform/sim/registry_value_line.h"

#include <cstdio>
#include <cstring>

namespace {

// The value of each byte as a hex digit, or -1.
struct HexDigits {
    signed char values[256];
    constexpr HexDigits() : values() {
        for (int byte = 0; byte < 256; ++byte) {
            values[byte] = -1;
        }
        for (int digit = 0; digit < 10; ++digit) {
            values['0' + digit] = static_cast<signed char>(digit);
        }
        for (int digit = 0; digit < 6; ++digit) {
            values['a' + digit] = static_cast<signed char>(10 + digit);
            values['A' + digit] = static_cast<signed char>(10 + digit);
        }
    }
};
constexpr HexDigits kHexDigits;

int HexDigit(char character) {
    return kHexDigits.values[static_cast<unsigned char>(character)];
}

template <std::size_t Size>
bool StartsWith(const char* begin, const char* end, const char (&prefix)[Size]) {
    return static_cast<std::size_t>(end - begin) >= Size - 1 &&
           std::memcmp(begin, prefix, Size - 1) == 0;
}

bool ParseHexNumber(const char* begin, const char* end, std::size_t maxDigits,
                    unsigned long* number) {
    if (begin == end || static_cast<std::size_t>(end - begin) > maxDigits) {
        return false;
    }
    *number = 0;
    for (const char* cursor = begin; cursor < end; ++cursor) {
        const int digit = HexDigit(*cursor);
        if (digit < 0) {
            return false;
        }
        *number = *number * 16 + static_cast<unsigned long>(digit);
    }
    return true;
}

// A quoted text from `*cursor` (on its opening quote); leaves `*cursor` past the closing
// quote. Only \\ and \" are escapes. `text`, when not null, receives the unescaped text.
bool ParseQuoted(const char** cursor, const char* end, std::string* text) {
    const char* position = *cursor;
    if (position == end || *position != '"') {
        return false;
    }
    ++position;
    while (position < end) {
        // Jump to the closing quote, then look back for a backslash before it.
        const char* run = position;
        const char* quote = static_cast<const char*>(
            std::memchr(position, '"', static_cast<std::size_t>(end - position)));
        if (quote == nullptr) {
            return false;
        }
        const char* backslash = static_cast<const char*>(
            std::memchr(position, '\\', static_cast<std::size_t>(quote - position)));
        position = backslash != nullptr ? backslash : quote;
        if (text != nullptr) {
            text->append(run, static_cast<std::size_t>(position - run));
        }
        if (*position == '"') {
            *cursor = position + 1;
            return true;
        }
        if (position + 1 == end || (position[1] != '\\' && position[1] != '"')) {
            return false;
        }
        if (text != nullptr) {
            *text += position[1];
        }
        position += 2;
    }
    return false;
}

// Comma-separated bytes of one or two hex digits each; nothing at all is no bytes.
bool ParseHexBytes(const char* position, const char* end, std::string* data) {
    if (position == end) {
        return true;
    }
    while (true) {
        int byte = 0;
        int digits = 0;
        for (; position < end && *position != ','; ++position, ++digits) {
            const int digit = HexDigit(*position);
            if (digit < 0 || digits == 2) {
                return false;
            }
            byte = byte * 16 + digit;
        }
        if (digits == 0) {
            return false;
        }
        if (data != nullptr) {
            *data += static_cast<char>(byte);
        }
        if (position == end) {
            return true;
        }
        ++position;  // past the comma
    }
}

bool ParseData(const char* position, const char* end, RegistryValue* value) {
    std::string* data = value != nullptr ? &value->data : nullptr;
    DWORD type = REG_NONE;
    bool valid = false;
    if (position < end && *position == '"') {
        type = REG_SZ;
        valid = ParseQuoted(&position, end, data) && position == end;
        if (valid && data != nullptr) {
            *data += '\0';
        }
    } else if (StartsWith(position, end, "dword:")) {
        unsigned long number = 0;
        type = REG_DWORD;
        valid = ParseHexNumber(position + 6, end, 8, &number);
        if (valid && data != nullptr) {
            *data = DwordBytes(static_cast<DWORD>(number));
        }
    } else if (StartsWith(position, end, "hex:")) {
        type = REG_BINARY;
        valid = ParseHexBytes(position + 4, end, data);
    } else if (StartsWith(position, end, "hex(")) {
        const char* close = position + 4;
        while (close + 1 < end && !(close[0] == ')' && close[1] == ':')) {
            ++close;
        }
        unsigned long number = 0;
        valid = close + 1 < end && ParseHexNumber(position + 4, close, 8, &number) &&
                ParseHexBytes(close + 2, end, data);
        type = static_cast<DWORD>(number);
    }
    if (valid && value != nullptr) {
        value->type = type;
    }
    return valid;
}

// The name part: "Name" or @, up to the '='. Leaves `*cursor` on the '='.
bool ParseName(const char** cursor, const char* end, std::string* name) {
    if (end - *cursor >= 2 && (*cursor)[0] == '@' && (*cursor)[1] == '=') {
        ++*cursor;
        return true;
    }
    return ParseQuoted(cursor, end, name) && *cursor < end && **cursor == '=';
}

void AppendQuoted(const std::string& text, std::string* out) {
    *out += '"';
    std::size_t run = 0;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '\\' || text[index] == '"') {
            out->append(text, run, index - run);
            *out += '\\';
            run = index;
        }
    }
    out->append(text, run, std::string::npos);
    *out += '"';
}

// A string value is written as quoted text when reading it back gives the same bytes:
// one terminating NUL, no other NUL, and no line break.
bool IsPlainText(const std::string& data) {
    if (data.empty() || data.back() != '\0') {
        return false;
    }
    for (std::size_t index = 0; index + 1 < data.size(); ++index) {
        const char character = data[index];
        if (character == '\0' || character == '\r' || character == '\n') {
            return false;
        }
    }
    return true;
}

void AppendHexByte(unsigned char byte, std::string* out) {
    static const char kDigits[] = "0123456789abcdef";
    *out += kDigits[byte >> 4];
    *out += kDigits[byte & 0x0F];
}

void AppendHex(const char* prefix, const std::string& data, std::string* out) {
    *out += prefix;
    for (std::size_t index = 0; index < data.size(); ++index) {
        if (index > 0) {
            *out += ',';
        }
        AppendHexByte(static_cast<unsigned char>(data[index]), out);
    }
}

}  // namespace

bool ParseValueLine(const char* begin, const char* end, RegistryValue* value) {
    if (value != nullptr) {
        value->name.clear();
        value->data.clear();
    }
    const char* cursor = begin;
    return ParseName(&cursor, end, value != nullptr ? &value->name : nullptr) &&
           ParseData(cursor + 1, end, value);
}

bool ValueLineHasName(const char* begin, const char* end, const std::string& name) {
    if (end - begin >= 2 && begin[0] == '@' && begin[1] == '=') {
        return name.empty();
    }
    // Compares while unescaping, so that looking a value up costs no copy of its name.
    std::size_t matched = 0;
    for (const char* cursor = begin + 1; cursor < end; ++cursor) {
        char character = *cursor;
        if (character == '"') {
            return matched == name.size();
        }
        if (character == '\\' && cursor + 1 < end) {
            character = *++cursor;
        }
        if (matched == name.size() || FoldCase(character) != FoldCase(name[matched])) {
            return false;
        }
        ++matched;
    }
    return false;
}

void AppendValueLine(const RegistryValue& value, std::string* out) {
    if (value.name.empty()) {
        *out += '@';
    } else {
        AppendQuoted(value.name, out);
    }
    *out += '=';
    if (value.type == REG_SZ && IsPlainText(value.data)) {
        AppendQuoted(value.data.substr(0, value.data.size() - 1), out);
    } else if (value.type == REG_DWORD && value.data.size() == 4) {
        *out += "dword:";
        for (std::size_t index = 4; index-- > 0;) {
            AppendHexByte(static_cast<unsigned char>(value.data[index]), out);
        }
    } else if (value.type == REG_BINARY) {
        AppendHex("hex:", value.data, out);
    } else {
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
        AppendHex(prefix, value.data, out);
    }
    *out += '\n';
}
