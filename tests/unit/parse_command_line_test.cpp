#include "cli/parse_command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A parsed request with its text fields as strings, "<absent>" for an absent one.
struct Parsed {
    bool valid;
    RequestMode mode;
    bool autoStart;
    std::vector<std::string> texts;  // i n x l d s p h
};

constexpr const char kAbsent[] = "<absent>";

Parsed Parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "QVTToService.exe");
    ServiceRequest request;
    const bool valid =
        ParseCommandLine(static_cast<int>(arguments.size()), arguments.data(), &request);
    auto text = [](const char* value) { return value == nullptr ? std::string(kAbsent) : value; };
    return {valid,
            request.mode,
            request.autoStart,
            {text(request.serviceName), text(request.displayName), text(request.executablePath),
             text(request.loadOrderGroup), text(request.dependencies), text(request.accountName),
             text(request.password), text(request.description)}};
}

std::vector<std::string> Texts(std::vector<std::string> given) {
    given.resize(8, kAbsent);
    return given;
}

struct ParseCase {
    const char* what;
    std::vector<const char*> arguments;
    bool valid;
    RequestMode mode;
    bool autoStart;
    std::vector<std::string> texts;
};

TEST(ParseCommandLine, AppliesTheOptionTable) {
    const std::string a = kAbsent;
    const ParseCase cases[] = {
        {"no arguments", {}, false, RequestMode::None, false, Texts({})},
        {"create, complete",
         {"-c", "-iTestServ", "-nMyService", "-xC:\\QVTService.exe", "-hTest Service"},
         true,
         RequestMode::Create,
         false,
         Texts({"TestServ", "MyService", "C:\\QVTService.exe", a, a, a, a, "Test Service"})},
        {"create without -x",
         {"-c", "-iS", "-nD"},
         false,
         RequestMode::Create,
         false,
         Texts({"S", "D"})},
        {"create with every option",
         {"-c", "-iS", "-nD", "-xP", "-lG", "-dA;B", "-s.\\user", "-ppw", "-hH", "-a"},
         true,
         RequestMode::Create,
         true,
         Texts({"S", "D", "P", "G", "A;B", ".\\user", "pw", "H"})},
        {"empty values count as present",
         {"-c", "-i", "-n", "-x"},
         true,
         RequestMode::Create,
         false,
         Texts({"", "", ""})},
        {"later mode wins: remove then create",
         {"-r", "-iS", "-c"},
         false,
         RequestMode::Create,
         false,
         Texts({"S"})},
        {"later mode wins: create then remove",
         {"-c", "-r", "-iS"},
         true,
         RequestMode::Remove,
         false,
         Texts({"S"})},
        {"remove with a bare -i", {"-r", "-i"}, true, RequestMode::Remove, false, Texts({""})},
        {"value is glued: a separate name is skipped",
         {"-r", "-i", "Name"},
         true,
         RequestMode::Remove,
         false,
         Texts({""})},
        {"remove without -i", {"-r"}, false, RequestMode::Remove, false, Texts({})},
        {"later text option wins",
         {"-r", "-iFirst", "-iSecond"},
         true,
         RequestMode::Remove,
         false,
         Texts({"Second"})},
        {"-a with more letters",
         {"-r", "-iS", "-auto"},
         true,
         RequestMode::Remove,
         true,
         Texts({"S"})},
        {"-a then -m", {"-r", "-iS", "-a", "-m"}, true, RequestMode::Remove, false, Texts({"S"})},
        {"-m then -a", {"-r", "-iS", "-mx", "-a"}, true, RequestMode::Remove, true, Texts({"S"})},
        {"password dropped without account",
         {"-c", "-iS", "-nD", "-xP", "-psecret"},
         true,
         RequestMode::Create,
         false,
         Texts({"S", "D", "P"})},
        {"password kept with an empty account",
         {"-c", "-iS", "-nD", "-xP", "-s", "-psecret"},
         true,
         RequestMode::Create,
         false,
         Texts({"S", "D", "P", a, a, "", "secret"})},
        {"-c and -r stand alone",
         {"-cx", "-r1", "-iS"},
         false,
         RequestMode::None,
         false,
         Texts({"S"})},
        {"case-sensitive", {"-R", "-IS", "-C"}, false, RequestMode::None, false, Texts({})},
        {"slashes, plain words and empty arguments are skipped",
         {"/r", "/iS", "r", "", "-", "--", "-r", "-iS"},
         true,
         RequestMode::Remove,
         false,
         Texts({"S"})},
        {"values are verbatim",
         {"-c", "-i Name ", "-n\"Q\"", "-x\"C:\\a b.exe\" -C:\\x.ini", "-d;A;;B;", "-h"},
         true,
         RequestMode::Create,
         false,
         Texts({" Name ", "\"Q\"", "\"C:\\a b.exe\" -C:\\x.ini", a, ";A;;B;", a, a, ""})},
        {"the rest after a text option's letters, even another option",
         {"-r", "-i-c"},
         true,
         RequestMode::Remove,
         false,
         Texts({"-c"})},
    };
    for (const ParseCase& testCase : cases) {
        const Parsed parsed = Parse(testCase.arguments);
        EXPECT_EQ(parsed.valid, testCase.valid) << testCase.what;
        EXPECT_EQ(parsed.mode, testCase.mode) << testCase.what;
        EXPECT_EQ(parsed.autoStart, testCase.autoStart) << testCase.what;
        EXPECT_EQ(parsed.texts, testCase.texts) << testCase.what;
    }
}

TEST(ParseCommandLine, ValuesPointIntoTheArgumentVector) {
    const char* arguments[] = {"prog", "-r", "-iName"};
    ServiceRequest request;
    ASSERT_TRUE(ParseCommandLine(3, arguments, &request));
    EXPECT_EQ(request.serviceName, arguments[2] + 2);
}

TEST(ParseCommandLine, NeverLooksAtTheProgramName) {
    const char* arguments[] = {"-r", "-iName"};
    ServiceRequest request;
    EXPECT_FALSE(ParseCommandLine(2, arguments, &request));
    EXPECT_EQ(request.mode, RequestMode::None);
}

}  // namespace
