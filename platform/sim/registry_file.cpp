#include "platform/sim/registry_file.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char kHeader[] = "REGEDIT4";
constexpr const char kRootName[] = "HKEY_LOCAL_MACHINE";
constexpr std::size_t kHexBytesPerLine = 25;

std::string QuoteText(const std::string& text) {
    std::string quoted = "\"";
    for (char character : text) {
        if (character == '\\' || character == '"') {
            quoted += '\\';
        }
        quoted += character;
    }
    return quoted + "\"";
}

// A string value is written as quoted text when reading it back gives the same bytes:
// one terminating NUL, no other NUL, and no line break.
bool IsPlainText(const std::string& data) {
    if (data.empty() || data.back() != '\0') {
        return false;
    }
    return data.find_first_of(std::string("\0\r\n", 3)) == data.size() - 1;
}

std::string FormatHex(const std::string& prefix, const std::string& data) {
    std::string text = prefix;
    char byteText[4];
    for (std::size_t index = 0; index < data.size(); ++index) {
        if (index > 0) {
            text += (index % kHexBytesPerLine == 0) ? ",\\\n  " : ",";
        }
        std::snprintf(byteText, sizeof byteText, "%02x", static_cast<unsigned char>(data[index]));
        text += byteText;
    }
    return text;
}

std::string FormatData(const RegistryValue& value) {
    if (value.type == REG_SZ && IsPlainText(value.data)) {
        return QuoteText(value.data.substr(0, value.data.size() - 1));
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(value.data.data());
        const unsigned number =
            bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<unsigned>(bytes[3]) << 24);
        char text[32];
        std::snprintf(text, sizeof text, "dword:%08x", number);
        return text;
    }
    if (value.type == REG_BINARY) {
        return FormatHex("hex:", value.data);
    }
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
    return FormatHex(prefix, value.data);
}

// --- Reading ---

bool ParseHexNumber(const std::string& text, std::size_t maxDigits, unsigned long* number) {
    if (text.empty() || text.size() > maxDigits) {
        return false;
    }
    *number = 0;
    for (char character : text) {
        int digit;
        if (character >= '0' && character <= '9') {
            digit = character - '0';
        } else if (character >= 'a' && character <= 'f') {
            digit = character - 'a' + 10;
        } else if (character >= 'A' && character <= 'F') {
            digit = character - 'A' + 10;
        } else {
            return false;
        }
        *number = *number * 16 + static_cast<unsigned long>(digit);
    }
    return true;
}

// Reads a quoted text starting at `*position` (on its opening quote) and leaves
// `*position` just past the closing quote.
bool ParseQuoted(const std::string& line, std::size_t* position, std::string* text) {
    if (*position >= line.size() || line[*position] != '"') {
        return false;
    }
    text->clear();
    for (std::size_t index = *position + 1; index < line.size(); ++index) {
        const char character = line[index];
        if (character == '"') {
            *position = index + 1;
            return true;
        }
        if (character == '\\') {
            if (index + 1 >= line.size() || (line[index + 1] != '\\' && line[index + 1] != '"')) {
                return false;
            }
            ++index;
        }
        *text += line[index];
    }
    return false;
}

bool ParseHexBytes(const std::string& text, std::string* data) {
    data->clear();
    if (text.empty()) {
        return true;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string token =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        unsigned long byte = 0;
        if (!ParseHexNumber(token, 2, &byte)) {
            return false;
        }
        *data += static_cast<char>(byte);
        if (comma == std::string::npos) {
            return true;
        }
        start = comma + 1;
    }
}

bool ParseData(const std::string& text, RegistryValue* value) {
    if (!text.empty() && text[0] == '"') {
        std::size_t position = 0;
        if (!ParseQuoted(text, &position, &value->data) || position != text.size()) {
            return false;
        }
        value->type = REG_SZ;
        value->data += '\0';
        return true;
    }
    if (text.compare(0, 6, "dword:") == 0) {
        unsigned long number = 0;
        if (!ParseHexNumber(text.substr(6), 8, &number)) {
            return false;
        }
        value->type = REG_DWORD;
        value->data.clear();
        for (int shift = 0; shift < 32; shift += 8) {
            value->data += static_cast<char>((number >> shift) & 0xFF);
        }
        return true;
    }
    if (text.compare(0, 4, "hex:") == 0) {
        value->type = REG_BINARY;
        return ParseHexBytes(text.substr(4), &value->data);
    }
    if (text.compare(0, 4, "hex(") == 0) {
        const std::size_t close = text.find("):", 4);
        unsigned long type = 0;
        if (close == std::string::npos || !ParseHexNumber(text.substr(4, close - 4), 8, &type)) {
            return false;
        }
        value->type = static_cast<DWORD>(type);
        return ParseHexBytes(text.substr(close + 2), &value->data);
    }
    return false;
}

bool ParseValueLine(const std::string& line, RegistryValue* value) {
    std::size_t position = 0;
    if (line.compare(0, 2, "@=") == 0) {
        value->name.clear();
        position = 1;
    } else if (!ParseQuoted(line, &position, &value->name)) {
        return false;
    }
    if (position >= line.size() || line[position] != '=') {
        return false;
    }
    return ParseData(line.substr(position + 1), value);
}

// "[HKEY_LOCAL_MACHINE]" or "[HKEY_LOCAL_MACHINE\A\B]" to "" or "A\B"; no empty names.
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
    return !path->empty() && path->back() != '\\' && path->find("\\\\") == std::string::npos;
}

// Splits into lines, dropping a carriage return before each line feed and joining the
// continuation lines of long hex values.
std::vector<std::string> LogicalLines(const std::string& text) {
    std::vector<std::string> lines;
    bool continues = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (continues) {
            const std::size_t firstVisible = line.find_first_not_of(' ');
            lines.back() += firstVisible == std::string::npos ? "" : line.substr(firstVisible);
        } else {
            lines.push_back(line);
        }
        const std::string& current = lines.back();
        continues = !current.empty() && current.back() == '\\' &&
                    current.find("=hex") != std::string::npos && current[0] != '[' &&
                    current[0] != ';';
        if (continues) {
            lines.back().pop_back();
        }
    }
    return lines;
}

}  // namespace

std::string FormatRegistryFile(const RegistryState& state) {
    std::string text = std::string(kHeader) + "\n";
    for (const auto& entry : state.keys) {
        const RegistryKey& key = entry.second;
        text += "\n[";
        text += kRootName;
        text += key.path.empty() ? "" : "\\" + key.path;
        text += "]\n";
        for (const RegistryValue& value : key.values) {
            text += value.name.empty() ? "@" : QuoteText(value.name);
            text += "=" + FormatData(value) + "\n";
        }
    }
    return text;
}

bool ParseRegistryFile(const std::string& text, RegistryState* state) {
    state->keys.clear();
    const std::vector<std::string> lines = LogicalLines(text);
    if (lines.empty() || lines[0] != kHeader) {
        return false;
    }
    RegistryKey* currentKey = nullptr;
    for (std::size_t index = 1; index < lines.size(); ++index) {
        const std::string& line = lines[index];
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            std::string path;
            if (!ParseKeyLine(line, &path)) {
                return false;
            }
            currentKey = &EnsureKey(*state, path);
            continue;
        }
        RegistryValue value;
        if (currentKey == nullptr || !ParseValueLine(line, &value)) {
            return false;
        }
        SetValue(*currentKey, value.name, value.type, value.data);
    }
    return true;
}
