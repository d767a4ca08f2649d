#include "cli/explain_error.h"

void ExplainError(DWORD code) {
    if (code == ERROR_INVALID_SERVICE_ACCOUNT) {
        PrintFormatted(
            "%s", "The account name is invalid or does not exist, or the password is invalid\n");
        PrintFormatted("%s", "for the account name specified.\n");
    } else if (code == ERROR_SERVICE_DOES_NOT_EXIST) {
        // The only message without a newline: whatever follows continues this line.
        PrintFormatted("%s", "The specified service does not exist as an installed service.");
    }
}
