#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "modres/ModuleSettings.h"
#include "modres/WinResProc.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ResString.h"
#include "platform/winres/FileSearch.h"
#include "platform/winres/WinRes.h"

using namespace winres;

namespace {

VLMRK_RESSTRING(STwenty, 20, "Test", "declared");

std::vector<std::uint8_t> Image(const std::u16string& text) {
    modres::TResProcessor proc;
    auto strings = std::make_unique<modres::TResString>(&proc);
    strings->AddString(1, u"one");
    strings->AddString(20, text);
    proc.AddBlock(std::move(strings));
    auto rcdata = std::make_unique<modres::TResRCData>(&proc);
    rcdata->AddItem("Second", false)->Data->WriteBytes(std::vector<std::uint8_t>{2});
    rcdata->AddItem("5", true)->Data->WriteBytes(std::vector<std::uint8_t>{5, 5});
    rcdata->AddItem("FIRST", false);
    proc.AddBlock(std::move(rcdata));
    rtl::TMemoryStream out;
    proc.SaveToStream(out);
    return out.TakeBytes();
}

class WinResTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vlmrk-winres-XXXXXX";
        dir_ = ::mkdtemp(pattern);
        ResetModulesForTests();
    }
    void TearDown() override {
        ResetModulesForTests();
        ResetAppImage();
        SetAppFileName("");
        std::filesystem::remove_all(dir_);
    }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::string file = (dir_ / name).string();
        rtl::TMemoryStream(bytes).SaveToFile(file);
        return file;
    }
    std::filesystem::path dir_;
};

}  // namespace

TEST_F(WinResTest, HandlesAreCountedAndNeverReused) {
    std::string file = Write("lib.dll", Image(u"twenty"));
    HMODULE a = LoadLibraryEx(file, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(a, 0u) << LastLoadError();
    EXPECT_EQ(LoadLibraryEx((dir_ / "." / "lib.dll").string()), a);  // same file, same handle
    EXPECT_EQ(ReferenceCount(a), 2);
    EXPECT_EQ(GetModuleFileName(a), std::filesystem::canonical(file).string());
    HRSRC res = FindResource(a, "first", RT_RCDATA);  // names match without regard to case
    ASSERT_TRUE(res);
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_NE(LockResource(res), nullptr);
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_FALSE(FreeLibrary(a));
    EXPECT_EQ(LockResource(res), nullptr);  // a stale handle finds nothing
    EXPECT_FALSE(FindResource(a, 5, RT_RCDATA));
    HMODULE b = LoadLibraryEx(file);
    EXPECT_NE(b, a);
    // A file changed on disk is a new module.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Write("lib.dll", Image(u"changed"));
    HMODULE c = LoadLibraryEx(file);
    EXPECT_NE(c, b);
    EXPECT_EQ(LoadStringW(c, 20), u"changed");
    EXPECT_EQ(LoadStringW(b, 20), u"twenty");
}

TEST_F(WinResTest, ResourcesByNameIdAndEnumeration) {
    HMODULE m = LoadLibraryEx(Write("lib.dll", Image(u"twenty")));
    ASSERT_NE(m, 0u);
    auto five = ResourceBytes(m, 5, RT_RCDATA);
    EXPECT_EQ(std::vector<std::uint8_t>(five.begin(), five.end()), (std::vector<std::uint8_t>{5, 5}));
    EXPECT_EQ(ResourceBytes(m, "#5", RT_RCDATA).size(), 2u);
    EXPECT_EQ(SizeofResource(m, FindResource(m, "Second", RT_RCDATA)), 1u);
    EXPECT_FALSE(FindResource(m, "Second", RT_STRING));
    std::vector<std::string> names;
    EXPECT_TRUE(EnumResourceNames(m, RT_RCDATA, [&](const TResName& n) {
        names.push_back(n.ToString());
        return true;
    }));
    EXPECT_EQ(names, (std::vector<std::string>{"FIRST", "Second", "5"}));
    names.clear();
    EnumResourceNames(m, RT_STRING, [&](const TResName& n) {
        names.push_back(n.ToString());
        return false;  // stops after the first
    });
    EXPECT_EQ(names, (std::vector<std::string>{"1"}));
    EXPECT_FALSE(EnumResourceNames(m, 3, [](const TResName&) { return true; }));
    EXPECT_EQ(LoadStringW(m, 1), u"one");
    EXPECT_EQ(LoadStringW(m, 2), std::nullopt);  // empty slot
    EXPECT_EQ(LoadStringW(m, 40), std::nullopt);  // no block
    EXPECT_EQ(LoadStringW(m, -1), std::nullopt);
}

TEST_F(WinResTest, BrokenFilesAreRefused) {
    auto image = Image(u"x");
    EXPECT_EQ(LoadLibraryEx(Write("empty", {})), 0u);
    EXPECT_EQ(LoadLibraryEx((dir_ / "missing").string()), 0u);
    EXPECT_EQ(LoadLibraryEx(dir_.string()), 0u);
    image.resize(1100);  // the directory is cut short
    EXPECT_EQ(LoadLibraryEx(Write("cut", image)), 0u);
    EXPECT_FALSE(LastLoadError().empty());
    EXPECT_FALSE(SetAppImage({'M', 'Z'}));
}

TEST_F(WinResTest, AppInstanceAndTheMessageLoader) {
    // This test program carries no image of its own: declared texts are used.
    EXPECT_TRUE(EmbeddedImage().empty());
    InstallResStringLoader();
    EXPECT_EQ(rtl::LoadResString(STwenty), "declared");
    ASSERT_TRUE(SetAppImage(Image(u"caf\u00E9 \u20AC")));
    SetInterfaceCodePage(1252);
    EXPECT_EQ(rtl::LoadResString(STwenty), "caf\xE9 \x80");
    SetInterfaceCodePage(1251);
    EXPECT_EQ(rtl::LoadResString(STwenty), "caf? \x88");
    EXPECT_EQ(FindResourceModule(AppInstance()), AppInstance());
    EXPECT_EQ(FindResourceModule(0x1234), 0x1234u);
    ASSERT_EQ(ModuleTableCount(), 1);
    EXPECT_EQ(ModuleTableModule(0), AppInstance());
    EXPECT_THROW(ModuleTableModule(1), rtl::EListError);
    SetAppFileName("/opt/veilmark/Vlmrk");
    EXPECT_EQ(GetModuleFileName(AppInstance()), "/opt/veilmark/Vlmrk");
    SetAppFileName("");
    EXPECT_EQ(GetModuleFileName(AppInstance()), std::filesystem::canonical("/proc/self/exe").string());
    rtl::SetResStringLoader({});
}

TEST_F(WinResTest, FileSearchHelpers) {
    EXPECT_TRUE(MatchesMask("Vlmrk.ES.lng", "vlmrk.*.LNG"));
    EXPECT_TRUE(MatchesMask("Vlmrk.ntv.lng", "Vlmrk.*.lng"));
    EXPECT_FALSE(MatchesMask("Vlmrk.lng", "Vlmrk.*.lng"));
    EXPECT_TRUE(MatchesMask("a", "?"));
    EXPECT_FALSE(MatchesMask("", "?"));
    EXPECT_TRUE(MatchesMask(std::string(5000, 'a'), std::string(50, '*') + "b*") == false);
    Write("Vlmrk.ES.lng", {1});
    Write("Vlmrk.fr.LNG", {1});
    Write("Vlmrk.es", {1});
    Write("Vlmrk.ES", {1});
    Write("other.txt", {1});
    std::filesystem::create_directory(dir_ / "Vlmrk.dir.lng");
    auto found = FindFiles(dir_.string(), "Vlmrk.*.lng");
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"Vlmrk.ES.lng", "Vlmrk.fr.LNG"}));
    EXPECT_EQ(FindFileNoCase(dir_.string(), "vlmrk.es.LNG"), (dir_ / "Vlmrk.ES.lng").string());
    EXPECT_EQ(FindFileNoCase(dir_.string(), "Vlmrk.es"), (dir_ / "Vlmrk.es").string());  // exact first
    EXPECT_EQ(FindFileNoCase(dir_.string(), "Vlmrk.IT"), std::nullopt);
    EXPECT_EQ(FindFileNoCase(dir_.string(), "../x"), std::nullopt);
    EXPECT_TRUE(FindFiles((dir_ / "none").string(), "*").empty());
    EXPECT_EQ(ResolvePath("/opt/app", "lang/../langs"), "/opt/app/langs");
    EXPECT_EQ(ResolvePath("/opt/app", "/abs/x"), "/abs/x");
    std::string cwd = rtl::GetCurrentDir();
    EXPECT_EQ(ResolvePath("/opt/app", "."), "/opt/app");
    EXPECT_EQ(rtl::GetCurrentDir(), cwd);  // the process's directory is untouched
}

// Sets an environment variable for the scope and puts the old value back.
class TScopedEnv {
public:
    TScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~TScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A folder's names are kept between searches while the folder is unchanged; a file added or
// removed since changes the folder's time, so the next search sees it.
TEST_F(WinResTest, FileSearchSeesFilesAddedAndRemovedBetweenSearches) {
    const auto settle = [this] {  // a folder last changed long ago: its listing is kept
        const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, dir_.c_str(), times, 0), 0);
    };
    settle();
    EXPECT_EQ(FindFileNoCase(dir_.string(), "Vlmrk.DE.lng"), std::nullopt);
    EXPECT_EQ(FindFileNoCase(dir_.string(), "Vlmrk.DE.lng"), std::nullopt);  // from the kept listing
    Write("vlmrk.de.lng", {1});
    EXPECT_EQ(FindFileNoCase(dir_.string(), "Vlmrk.DE.lng"), (dir_ / "vlmrk.de.lng").string());
    settle();
    EXPECT_EQ(FindFileNoCase(dir_.string(), "Vlmrk.DE.lng"), (dir_ / "vlmrk.de.lng").string());
    std::filesystem::remove(dir_ / "vlmrk.de.lng");
    EXPECT_EQ(FindFileNoCase(dir_.string(), "Vlmrk.DE.lng"), std::nullopt);
    EXPECT_EQ(FindFileNoCase((dir_ / "none").string(), "Vlmrk.DE.lng"), std::nullopt);
}

TEST_F(WinResTest, LanguageFoldersGoFromTheExecutableToTheXdgDataFolders) {
    const std::string d = dir_.string();
    {
        TScopedEnv home("XDG_DATA_HOME", (d + "/home").c_str());
        TScopedEnv dirs("XDG_DATA_DIRS", ("relative/ignored:" + d + "/a/:" + d + "/b::" + d + "/a").c_str());
        EXPECT_EQ(LanguageFolders(d + "/bin/"), (std::vector<std::string>{d + "/bin", d + "/home/veilmark/lang",
                                                                            d + "/a/veilmark/lang",
                                                                            d + "/b/veilmark/lang"}));
    }
    {
        TScopedEnv home("XDG_DATA_HOME", "not/absolute");
        TScopedEnv dirs("XDG_DATA_DIRS", nullptr);
        TScopedEnv user("HOME", "/home/someone");
        EXPECT_EQ(LanguageFolders("/opt/v"),
                  (std::vector<std::string>{"/opt/v", "/home/someone/.local/share/veilmark/lang",
                                            "/usr/local/share/veilmark/lang", "/usr/share/veilmark/lang"}));
        // The folders follow what they come from: the variables, and the current folder for a
        // relative primary folder.
        TScopedEnv other("HOME", "/home/another");
        EXPECT_EQ(LanguageFolders("/opt/v")[1], "/home/another/.local/share/veilmark/lang");
        const std::string cwd = rtl::GetCurrentDir();
        std::filesystem::create_directories(d + "/x/y");
        ASSERT_EQ(::chdir((d + "/x").c_str()), 0);
        const std::string first = LanguageFolders("y")[0];
        ASSERT_EQ(::chdir((d + "/x/y").c_str()), 0);
        const std::string second = LanguageFolders("y")[0];
        ASSERT_EQ(::chdir(cwd.c_str()), 0);
        EXPECT_EQ(first, d + "/x/y");
        EXPECT_EQ(second, d + "/x/y/y");
    }
}

TEST_F(WinResTest, FindLanguageFileTakesTheFirstFolderThatHasIt) {
    const std::string d = dir_.string();
    TScopedEnv home("XDG_DATA_HOME", (d + "/home").c_str());
    TScopedEnv dirs("XDG_DATA_DIRS", (d + "/sys").c_str());
    for (const char* folder : {"/exe", "/home/veilmark/lang", "/sys/veilmark/lang"})
        std::filesystem::create_directories(d + folder);
    Write("sys/veilmark/lang/Vlmrk.DE.lng", {1});
    EXPECT_EQ(FindLanguageFile(d + "/exe", "Vlmrk.DE.lng"), d + "/sys/veilmark/lang/Vlmrk.DE.lng");
    Write("home/veilmark/lang/vlmrk.de.lng", {1});
    EXPECT_EQ(FindLanguageFile(d + "/exe", "Vlmrk.DE.lng"), d + "/home/veilmark/lang/vlmrk.de.lng");
    Write("exe/Vlmrk.DE.lng", {1});
    EXPECT_EQ(FindLanguageFile(d + "/exe", "Vlmrk.DE.lng"), d + "/exe/Vlmrk.DE.lng");
    EXPECT_EQ(FindLanguageFile(d + "/exe", "Vlmrk.RU.lng"), std::nullopt);
}

TEST_F(WinResTest, ModuleFolderIsBesideTheExecutableOrTheCache) {
    SetAppFileName((dir_ / "Vlmrk").string());
    EXPECT_EQ(ModuleFolder(), (dir_ / "").string());
    const char* old = std::getenv("XDG_CACHE_HOME");
    std::string saved = old ? old : "";
    ::setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
    SetAppFileName((dir_ / "missing-folder" / "Vlmrk").string());
    EXPECT_EQ(ModuleFolder(), (dir_ / "cache" / "veilmark" / "").string());
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "cache" / "veilmark"));
    if (old) ::setenv("XDG_CACHE_HOME", saved.c_str(), 1);
    else ::unsetenv("XDG_CACHE_HOME");
}
