#pragma once

// Turns a semicolon-separated list of service names into the manager's dependency list:
// each name followed by a NUL, then one more NUL. Runs of semicolons and semicolons at
// either end produce no empty name; names are copied byte for byte. The caller's text is
// never changed.
//
// Returns null for an absent text. Otherwise returns a buffer from AllocateBuffer, of the
// text's length plus 2 bytes, which the caller releases with ReleaseBuffer; null for a
// present text means that buffer could not be allocated.
char* BuildDependencyList(const char* dependencies);
