// The simulated registry on disk: the registry export format, version 4. The first line is
// REGEDIT4; each key is a line [HKEY_LOCAL_MACHINE\...] followed by its value lines.
#pragma once

#include <string>

#include "platform/sim/registry_state.h"

std::string FormatRegistryFile(const RegistryState& state);

// Reads a whole file. Returns false, leaving `state` unspecified, when the text is not a
// registry file this format can hold.
bool ParseRegistryFile(const std::string& text, RegistryState* state);
