#pragma once

// Prints the fixed usage text to standard output.
void PrintUsage();
