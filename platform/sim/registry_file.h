// The simulated registry on disk: the registry export format, version 4. The first line is
// REGEDIT4; each key is a line [HKEY_LOCAL_MACHINE\...] followed by its value lines.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/sim/registry_state.h"

// Hands the file's text to `write` in pieces of about 32 KiB, so a large registry is never
// held whole in memory; stops with false as soon as `write` returns false.
bool WriteRegistryText(const RegistryState& state,
                       const std::function<bool(const std::string&)>& write);
std::string FormatRegistryFile(const RegistryState& state);

// Reads a whole file. Returns false, leaving `state` unspecified, when the text is not a
// registry file this format can hold.
bool ParseRegistryFile(std::string text, RegistryState* state);
// The same for text that `owner` keeps alive; the state keeps `owner` as long as it lives.
bool ParseRegistryText(std::string_view text, std::shared_ptr<const void> owner,
                       RegistryState* state);
