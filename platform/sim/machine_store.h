// Where the simulated machine keeps its registry, and how it is read and changed.
//
// The registry is one file, <root>/registry.reg. Every change is written as a whole new
// file (temporary file, fsync, rename, fsync of the folder) while holding an exclusive
// flock on <root>/registry.lock, so a process killed at any moment leaves the old or the
// new file, and processes changing the machine at once never lose each other's changes.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/sim/registry_state.h"

// $QVTTOSERVICE_MACHINE, else $XDG_STATE_HOME/qvttoservice/machine, else
// ~/.local/state/qvttoservice/machine. Empty when no home can be found.
std::string MachineRoot();

// Creates the machine root when it is missing. Returns 0 and its path, or the error.
DWORD OpenMachineRoot(std::string* root);

// Returns 0 and the machine's current registry, or the error: ERROR_BADDB when the file
// cannot be read or is not a registry file (it is then left exactly as it is). A new
// machine is set up with the empty services key first.
DWORD ReadRegistry(std::shared_ptr<const RegistryState>* state);

// Applies `change` to the current registry and stores the result. When `change` returns
// a nonzero code, nothing is written and that code is returned; a failed write leaves
// the old file in place and returns the system's code for the failure.
DWORD ChangeRegistry(const std::function<DWORD(RegistryState&)>& change);

// The Windows error code for an errno value, or `fallback` for one without a counterpart.
DWORD ErrorFromErrno(int error, DWORD fallback);
