#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/registry/Registry.h"

using namespace registry;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vlmrk-registry-XXXXXX";
        dir_ = ::mkdtemp(pattern);
        file_ = (dir_ / "sub" / "registry.ini").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string ReadAll() {
        std::ifstream in(file_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void WriteAll(const std::string& text) {
        std::filesystem::create_directories(dir_ / "sub");
        std::ofstream(file_, std::ios::binary) << text;
    }
    std::filesystem::path dir_;
    std::string file_;
};

}  // namespace

TEST_F(RegistryTest, ValuesRoundTripWithAnyCharacters) {
    TRegistry reg(file_);
    EXPECT_FALSE(reg.OpenKey("Software\\Veilmark\\Locales", false));
    EXPECT_THROW(reg.WriteString("x", "y"), ERegistryException);  // no key open
    ASSERT_TRUE(reg.OpenKey("Software\\Veilmark\\Locales", true));
    const std::string odd = "/opt/a=b]/[c]\\\"q\"\n\r\t\x01\xE9/Vlmrk";
    reg.WriteString(odd, "ES");
    reg.WriteString("", "unnamed");
    reg.WriteString("plain", std::string("v\"al\\ue=\n", 9));

    TRegistry again(file_);
    ASSERT_TRUE(again.OpenKey("software\\VEILMARK\\locales", false));  // key paths ignore case
    EXPECT_EQ(again.ReadString(odd), "ES");
    EXPECT_EQ(again.ReadString(""), "unnamed");
    EXPECT_EQ(again.ReadString("plain"), std::string("v\"al\\ue=\n", 9));
    EXPECT_FALSE(again.ValueExists("PLAIN"));  // value names are exact
    EXPECT_EQ(again.ReadString("missing"), "");
    EXPECT_TRUE(again.KeyExists("\\Software\\\\Veilmark\\"));
    EXPECT_FALSE(again.KeyExists("Software\\Veil"));
    // One key, however it was spelt.
    ASSERT_TRUE(again.OpenKey("SOFTWARE\\Veilmark\\Locales", true));
    again.WriteString("plain", "changed");
    std::string text = ReadAll();
    EXPECT_EQ(text.find("[SOFTWARE"), std::string::npos);
    EXPECT_EQ(reg.ReadString("plain"), "changed");
    EXPECT_TRUE(again.DeleteValue("plain"));
    EXPECT_FALSE(again.DeleteValue("plain"));
    // Nothing but the store is left in the folder (the write went through a renamed temporary).
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_ / "sub")) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST_F(RegistryTest, DamagedOrMissingFilesReadAsEmpty) {
    TRegistry reg(file_);
    for (const std::string& text : {std::string("[Software\\Veilmark\\Locales]\n\"x\"=\"unterminated\n"),
                                    std::string("\"x\"=\"no key\"\n"), std::string("[Key]\ngarbage\n"),
                                    std::string("[Key]\n\"x\"=\"bad \\q escape\"\n"), std::string("[Key\n"),
                                    std::string("\0\0\xFF", 3)}) {
        WriteAll(text);
        EXPECT_FALSE(reg.OpenKey("Key", false)) << text;
        EXPECT_FALSE(reg.OpenKey("Software\\Veilmark\\Locales", false)) << text;
    }
    // A damaged file is replaced by the next write.
    ASSERT_TRUE(reg.OpenKey("Key", true));
    reg.WriteString("a", "b");
    EXPECT_EQ(TRegistry(file_).OpenKey("Key", false), true);
    // Comments, blank lines and CR LF are fine.
    WriteAll("; comment\r\n\r\n[Key]\r\n\"a\"=\"b\"\r\n@=\"c\"\r\n");
    TRegistry ok(file_);
    ASSERT_TRUE(ok.OpenKey("key", false));
    EXPECT_EQ(ok.ReadString("a"), "b");
    EXPECT_EQ(ok.ReadString(""), "c");
}

TEST_F(RegistryTest, StoreFileFollowsXdgConfigHome) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    EXPECT_EQ(StoreFileName(), (dir_ / "veilmark" / "registry.ini").string());
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Veilmark\\Locales", true));
    reg.WriteString("k", "v");
    EXPECT_TRUE(std::filesystem::exists(dir_ / "veilmark" / "registry.ini"));
    ::setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    ::setenv("HOME", dir_.c_str(), 1);
    EXPECT_EQ(StoreFileName(), (dir_ / ".config" / "veilmark" / "registry.ini").string());
    ::setenv("HOME", home.c_str(), 1);
    if (old) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(RegistryTest, WritingTheStoredValueLeavesTheFileAlone) {
    // A hand-written file: a rewrite would drop the comment and replace the file (a new inode).
    const std::string text = "; kept as written\n[Software\\Veilmark\\Locales]\n\"/opt/Vlmrk\"=\"ES\"\n";
    WriteAll(text);
    struct stat before {};
    ASSERT_EQ(::stat(file_.c_str(), &before), 0);
    TRegistry reg(file_);
    ASSERT_TRUE(reg.OpenKey("Software\\Veilmark\\Locales", true));
    reg.WriteString("/opt/Vlmrk", "ES");
    struct stat after {};
    ASSERT_EQ(::stat(file_.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadAll(), text);
    // Another value, or the same value under another name, is written.
    reg.WriteString("/opt/Vlmrk", "FR");
    EXPECT_EQ(TRegistry(file_).OpenKey("Software\\Veilmark\\Locales", false), true);
    EXPECT_EQ(reg.ReadString("/opt/Vlmrk"), "FR");
    reg.WriteString("/opt/Other", "FR");
    EXPECT_EQ(reg.ReadString("/opt/Other"), "FR");
    EXPECT_EQ(ReadAll().find("kept as written"), std::string::npos);
    // An empty value is a value too: writing it where the name is missing stores it.
    reg.WriteString("/opt/Empty", "");
    EXPECT_TRUE(reg.ValueExists("/opt/Empty"));
}
