// The accounts a service may run as: the built-in service accounts and the local users
// the machine knows, listed one per line in <root>/users.txt (lines starting with # are
// comments). A user "alice" may be given as "alice" or ".\alice".
#pragma once

#include <string>

bool IsKnownAccount(const std::string& machineRoot, const std::string& account);
