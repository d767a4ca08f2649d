#pragma once

// The whole run behind the platform's entry point: parse, print the usage text or run
// the command the mode selects. Returns the exit status, which is 0 in every case;
// callers learn the outcome only from what is printed.
int RunProgram(int argumentCount, const char* const* arguments);
