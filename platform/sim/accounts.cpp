#include "platform/sim/accounts.h"

#include <fstream>

#include "platform/sim/registry_state.h"

namespace {

const char* const kBuiltInAccounts[] = {
    "LocalSystem",
    "NT AUTHORITY\\LocalService",
    "NT AUTHORITY\\NetworkService",
};

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

bool IsKnownAccount(const std::string& machineRoot, const std::string& account) {
    for (const char* builtIn : kBuiltInAccounts) {
        if (EqualsIgnoringCase(account, builtIn)) {
            return true;
        }
    }
    const std::string userName = account.compare(0, 2, ".\\") == 0 ? account.substr(2) : account;
    if (userName.empty()) {
        return false;
    }
    std::ifstream users(machineRoot + "/users.txt");
    std::string line;
    while (std::getline(users, line)) {
        const std::string user = Trimmed(line);
        if (!user.empty() && user[0] != '#' && EqualsIgnoringCase(user, userName)) {
            return true;
        }
    }
    return false;
}
