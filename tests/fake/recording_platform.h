// A recording stand-in for the service manager, the registry, buffers and standard output.
// Every call is logged with its arguments and its result, in order, together with what is
// printed, so a test can assert the exact sequence of calls, releases and output. Every
// call succeeds unless a failure is scripted for it.
#pragma once

#include <string>
#include <vector>

#include "platform/service_platform.h"

namespace fake {

// Forgets all calls, scripts and resources. Call at the start of every test.
void Reset();

// The `occurrence`th call (counting from 1) of the named operation fails. A failing
// service-manager call returns null or FALSE and leaves `error` for GetLastError; a failing
// registry call returns `error`; a failing AllocateBuffer returns null.
void FailCall(const std::string& operation, DWORD error, int occurrence = 1);

// The `index`th call (counting from 1) among the calls that obtain or change something
// (everything but releases, GetLastError and printing) fails with `error`.
void FailNthAcquiringCall(int index, DWORD error);

// How many calls that obtain or change something have been made.
int AcquiringCallCount();

// The log: one entry per call, e.g. `OpenServiceA(scm1, "TestServ", 0x10000) -> svc1`,
// `CloseServiceHandle(svc1)`, and `print: <text>` for each print.
const std::vector<std::string>& Events();

// Only the calls of the log that release something, in order.
std::vector<std::string> Releases();

// Everything printed, concatenated, with "\n" as the logic wrote it.
std::string Output();

// Handles, locks, keys and buffers obtained and not released, by their log names.
std::vector<std::string> Unreleased();

// Releases of something never obtained or already released.
const std::vector<std::string>& ReleaseErrors();

// Log names of the dependency list bytes last passed to a service call: ["A", "B"].
std::string DescribeDependencyList(const char* list);

}  // namespace fake
