#pragma once

#include <string>
#include <vector>

// Splits a raw command line into arguments: blanks and tabs separate, a double quote
// opens or closes a quoted run (which may sit inside an argument), a backslash directly
// before a double quote makes it literal, and no other character is special. Unlike the
// C runtime's rules, backslashes are never halved. The first word (the program name) is
// split by the same rules and returned like the others.
std::vector<std::string> SplitCommandLine(const char* line);
