// Starts a program with an exact raw command line and waits for it, so the end-to-end
// tests under Wine control the very bytes that the program's entry splits.
// Usage: wine_launcher.exe <file holding the command line> <file for standard output>
// The exit status is the program's, or 100 when it could not be started.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: wine_launcher <command line file> <output file>\n");
        return 100;
    }
    std::string line;
    FILE* lineFile = std::fopen(argv[1], "rb");
    if (lineFile == nullptr) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 100;
    }
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, lineFile)) > 0) {
        line.append(buffer, count);
    }
    std::fclose(lineFile);

    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE output = CreateFileA(argv[2], GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 100;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "CreateProcessA failed: %lu\n", GetLastError());
        CloseHandle(output);
        return 100;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 100;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(output);
    return static_cast<int>(exitCode);
}
