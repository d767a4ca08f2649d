// One value line of the registry file: "Name"="text" (with \\ and \" escaped), @= for the
// default value, dword:0000000a, hex:00,ff for binary, or hex(N):.. for any other type.
#pragma once

#include <string>

#include "platform/sim/registry_state.h"

// Reads the line [begin, end) without its line break. Returns false when it is not a value
// line; `value`, when not null, receives what the line says.
bool ParseValueLine(const char* begin, const char* end, RegistryValue* value);

// Whether a value line that ParseValueLine accepted is named `name`, ignoring case.
bool ValueLineHasName(const char* begin, const char* end, const std::string& name);

// Appends the value's line, with its line break.
void AppendValueLine(const RegistryValue& value, std::string* out);
