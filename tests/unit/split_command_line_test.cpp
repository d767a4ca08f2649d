#include "cli/split_command_line.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* line;
    std::vector<std::string> arguments;
};

TEST(SplitCommandLine, FollowsTheToolsOwnRules) {
    const SplitCase cases[] = {
        {"", {}},
        {" \t ", {}},
        {"prog", {"prog"}},
        {"  prog  -c\t-r  ", {"prog", "-c", "-r"}},
        {"prog -c\t\t-iName", {"prog", "-c", "-iName"}},
        // A quoted run inside an argument keeps its blanks and loses its quotes.
        {"prog -h\"Test Service\"", {"prog", "-hTest Service"}},
        {"prog a\"b c\"d e", {"prog", "ab cd", "e"}},
        {"prog \"a\tb\"", {"prog", "a\tb"}},
        // Backslash-quote is a literal quote, inside or outside a run; it does not toggle.
        {"prog a\\\"b", {"prog", "a\"b"}},
        {"prog \"a\\\" b\"", {"prog", "a\" b"}},
        // Backslashes are never halved: two of them before a quote give one, then a quote.
        {"prog a\\\\\"b c", {"prog", "a\\\"b", "c"}},
        {"prog C:\\dir\\file.exe", {"prog", "C:\\dir\\file.exe"}},
        {"prog \"C:\\dir\\\\\" -h", {"prog", "C:\\dir\\\" -h"}},
        // An argument of two quotes alone is an empty argument.
        {"prog \"\" x", {"prog", "", "x"}},
        {"prog -h\"\"", {"prog", "-h"}},
        // An unclosed quoted run goes to the end of the line.
        {"prog \"a b", {"prog", "a b"}},
        {"prog \"a b  ", {"prog", "a b  "}},
        // Nothing else is special.
        {"prog *.exe ? %PATH% @file", {"prog", "*.exe", "?", "%PATH%", "@file"}},
        // The second usage example as typed.
        {"QVTToService.exe -c -iTav -nQVT -x\"\\\"C:\\QVTService.exe\\\" "
         "-C:\\NXR\\MorvelFiles\\morvelsv.ini\" -h\"Test Service\"",
         {"QVTToService.exe", "-c", "-iTav", "-nQVT",
          "-x\"C:\\QVTService.exe\" -C:\\NXR\\MorvelFiles\\morvelsv.ini", "-hTest Service"}},
    };
    for (const SplitCase& testCase : cases) {
        EXPECT_EQ(SplitCommandLine(testCase.line), testCase.arguments) << "line: " << testCase.line;
    }
}

}  // namespace
