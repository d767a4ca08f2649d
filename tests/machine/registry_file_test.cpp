#include "platform/sim/registry_file.h"

#include <gtest/gtest.h>

namespace {

std::string Bytes(const char* data, std::size_t size) {
    return std::string(data, size);
}

RegistryState EveryKindOfValue() {
    RegistryState state = InitialRegistryState();
    RegistryKey& key = EnsureKey(state, "SYSTEM\\CurrentControlSet\\Services\\Name \"with\" \\ ]");
    SetValue(key, "Text", REG_SZ, Bytes("C:\\dir\\\"quoted\" text\0", 22));
    SetValue(key, "Quote\"and\\slash", REG_SZ, Bytes("\0", 1));
    SetValue(key, "", REG_SZ, Bytes("default\0", 8));
    SetValue(key, "Expand", REG_EXPAND_SZ, Bytes("%SystemRoot%\\x\0", 15));
    SetValue(key, "Multi", REG_MULTI_SZ, Bytes("A\0B\0\0", 5));
    SetValue(key, "Number", REG_DWORD, Bytes("\x0a\x00\x00\x80", 4));
    SetValue(key, "Binary", REG_BINARY, Bytes("\x00\xff\x10", 3));
    SetValue(key, "EmptyBinary", REG_BINARY, "");
    SetValue(key, "LongBinary", REG_BINARY, std::string(100, '\x5a'));
    SetValue(key, "TextWithLineBreak", REG_SZ, Bytes("a\r\nb\0", 5));
    SetValue(key, "TextWithoutNul", REG_SZ, "abc");
    SetValue(key, "OddDword", REG_DWORD, "\x01\x02");
    SetValue(key, "OtherType", 0x12345, "x");
    SetValue(key, "HighBytes", REG_SZ, Bytes("\xe9t\xe9\0", 4));
    EnsureKey(state, "SOFTWARE\\Vendor\\Product");
    return state;
}

TEST(RegistryFile, EveryValueTypeAndAwkwardNameRoundTrips) {
    const RegistryState state = EveryKindOfValue();
    const std::string text = FormatRegistryFile(state);
    RegistryState read;
    ASSERT_TRUE(ParseRegistryFile(text, &read)) << text;
    EXPECT_TRUE(read == state) << text;
    EXPECT_EQ(FormatRegistryFile(read), text);
}

TEST(RegistryFile, WritesTheExportFormatAPersonCanRead) {
    RegistryState state = InitialRegistryState();
    RegistryKey& key = EnsureKey(state, "SYSTEM\\CurrentControlSet\\Services\\TestServ");
    SetValue(key, "Type", REG_DWORD, Bytes("\x10\0\0\0", 4));
    SetValue(key, "ImagePath", REG_SZ, Bytes("\"C:\\Q.exe\" -x\0", 14));
    SetValue(key, "DependOnService", REG_MULTI_SZ, Bytes("A\0B\0\0", 5));
    EXPECT_EQ(FormatRegistryFile(state),
              "REGEDIT4\n"
              "\n[HKEY_LOCAL_MACHINE\\SYSTEM]\n"
              "\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet]\n"
              "\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services]\n"
              "\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\TestServ]\n"
              "\"Type\"=dword:00000010\n"
              "\"ImagePath\"=\"\\\"C:\\\\Q.exe\\\" -x\"\n"
              "\"DependOnService\"=hex(7):41,00,42,00,00\n");
}

TEST(RegistryFile, ReadsWhatWindowsWritesAndLooksUpNamesIgnoringCase) {
    const std::string text =
        "REGEDIT4\r\n\r\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\MySvc]\r\n"
        "\"DisplayName\"=\"Mine\"\r\n"
        "\"Long\"=hex:01,02,\\\r\n"
        "  03,04\r\n"
        "@=dword:1\r\n";
    RegistryState state;
    ASSERT_TRUE(ParseRegistryFile(text, &state));
    const RegistryKey* key = FindKey(state, "system\\CURRENTCONTROLSET\\services\\mysvc");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->path, "SYSTEM\\CurrentControlSet\\Services\\MySvc");
    auto data = [&](const char* name) {
        RegistryValue value;
        return GetValue(*key, name, &value) ? value.data : "<none>";
    };
    EXPECT_EQ(data("displayname"), Bytes("Mine\0", 5));
    EXPECT_EQ(data("DISPLAYNAME"), Bytes("Mine\0", 5));
    EXPECT_EQ(data("long"), "\x01\x02\x03\x04");
    EXPECT_EQ(data(""), Bytes("\x01\0\0\0", 4));
    EXPECT_EQ(data("missing"), "<none>");
    // Parents exist even when the file leaves them out.
    EXPECT_NE(FindKey(state, "SYSTEM\\CurrentControlSet"), nullptr);
    EXPECT_EQ(ChildKeys(state, "system\\currentcontrolset\\services").size(), 1u);
}

TEST(RegistryFile, MergesRepeatedKeysAndRestoresTheOrder) {
    const std::string text =
        "REGEDIT4\n"
        "[HKEY_LOCAL_MACHINE\\B]\n\"x\"=\"1\"\n"
        "[HKEY_LOCAL_MACHINE\\A\\Child]\n"
        "[HKEY_LOCAL_MACHINE\\b]\n\"y\"=\"2\"\n\"X\"=\"3\"";
    RegistryState state;
    ASSERT_TRUE(ParseRegistryFile(text, &state));
    std::vector<std::string> paths;
    for (const RegistryKey& key : state.keys) {
        paths.emplace_back(key.path);
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"A", "A\\Child", "B"}));
    const std::vector<RegistryValue> values = ValuesOf(*FindKey(state, "b"));
    EXPECT_EQ(values, (std::vector<RegistryValue>{{"x", REG_SZ, Bytes("3\0", 2)},
                                                  {"y", REG_SZ, Bytes("2\0", 2)}}));
    RegistryState reread;
    ASSERT_TRUE(ParseRegistryFile(FormatRegistryFile(state), &reread));
    EXPECT_TRUE(reread == state);
}

TEST(RegistryFile, RefusesWhatItCannotHold) {
    const char* const corrupt[] = {
        "",
        "REGEDIT5\n",
        "Windows Registry Editor Version 5.00\n",
        "REGEDIT4 \n",
        "REGEDIT4\n\"Value\"=\"before any key\"\n",
        "REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\]\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\\\B]\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\n",
        "REGEDIT4\n[-HKEY_LOCAL_MACHINE\\A]\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"unterminated\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"bad \\n escape\"\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=\"trailing\" junk\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=dword:123456789\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=dword:xyz\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=hex:1,zz\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=hex:01,\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=hex(7:00\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=-\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\nx=\"no quotes\"\n",
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"\n",
    };
    for (const char* text : corrupt) {
        RegistryState state;
        EXPECT_FALSE(ParseRegistryFile(text, &state)) << text;
    }
}

}  // namespace
