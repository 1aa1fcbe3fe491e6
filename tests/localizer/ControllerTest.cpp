// The controller with a program image of our own: start-up, catalogue, the error reactions, the
// settings store, switching with module reuse and rebuild, and the faults it refuses to repeat.

#include <sys/stat.h>

#include <filesystem>
#include <optional>

#include <gtest/gtest.h>

#include "langdata/LocLangFile.h"
#include "localizer/LocOnFly.h"
#include "modres/LocUtils.h"
#include "modres/WinResProc.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/winres/StartupChoice.h"
#include "platform/winres/WinRes.h"
#include "tests/localizer/LocalizerTestUtil.h"

namespace {

using namespace loctest;
using localizer::TKLocalizerOnFly;
namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    rtl::TMemoryStream stream;
    stream.LoadFromFile(path);
    return stream.TakeBytes();
}

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        const char* config = std::getenv("XDG_CONFIG_HOME");
        savedConfig_ = config ? std::optional<std::string>(config) : std::nullopt;
        ::setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
        image_ = ProgramImage();
        Start();
    }
    void TearDown() override {
        Stop();
        winres::ResetAppImage();
        winres::SetAppFileName("");
        if (savedConfig_) ::setenv("XDG_CONFIG_HOME", savedConfig_->c_str(), 1);
        else ::unsetenv("XDG_CONFIG_HOME");
    }
    // The runtime's start-up as the program does it, without windows.
    void Start(bool initialize = false, const std::string& key = "", const std::string& folder = "") {
        winres::ResetModulesForTests();
        ASSERT_TRUE(winres::SetAppImage(image_));
        utils_ = std::make_unique<modres::TKLocUtils>();
        utils_->SetAppFileName(dir_ + "/" + exeName_);
        loc_ = std::make_unique<TKLocalizerOnFly>();
        utils_->IgnoreCheckErrors = false;
        loc_->Host.MessageBox = [this](const rtl::AnsiString& caption, const rtl::AnsiString& text) {
            boxes_.push_back(caption + ": " + text);
        };
        if (initialize) loc_->Initialize(key, folder);
    }
    void Stop() {
        loc_.reset();
        utils_.reset();
        winres::ResetModulesForTests();
    }
    void Restart(const std::string& key = "") {
        Stop();
        Start(true, key);
    }
    std::string Remembered(const std::string& key = "Software\\Veilmark\\Locales", const std::string& name = "") {
        registry::TRegistry reg;
        if (!reg.OpenKey(key, false)) return "<none>";
        auto value = reg.TryReadString(name.empty() ? dir_ + "/" + exeName_ : name);
        return value ? *value : "<none>";
    }
    std::string exeName_ = "Vlmrk";
    winres::HMODULE Installed() { return winres::FindResourceModule(winres::AppInstance()); }

    std::string dir_;
    std::optional<std::string> savedConfig_;
    std::vector<std::uint8_t> image_;
    std::unique_ptr<modres::TKLocUtils> utils_;
    std::unique_ptr<TKLocalizerOnFly> loc_;
    std::vector<std::string> boxes_;
};

TEST_F(ControllerTest, FirstStartCataloguesThePackAndRemembersTheNativeLanguage) {
    loc_->Initialize("", "");
    EXPECT_TRUE(loc_->Ready);
    EXPECT_FALSE(loc_->Starting);
    ASSERT_EQ(loc_->Languages->Count(), 2);
    EXPECT_EQ(loc_->Languages->ItemAt(0)->EnglishName, "English");
    EXPECT_TRUE(loc_->Languages->ItemAt(0)->IsNative);
    EXPECT_EQ(loc_->Languages->ItemAt(1)->EnglishName, "Spanish");
    EXPECT_TRUE(loc_->Languages->IsPackOnly(10));
    EXPECT_EQ(loc_->NativeLanguageId(), 9u);
    EXPECT_EQ(loc_->CurrentLanguageId, 9u);
    EXPECT_TRUE(loc_->ApplyBiDiMode);  // the native language's option 0x0002
    EXPECT_EQ(loc_->Store->BaseLanguageId(), 9);
    EXPECT_EQ(Remembered(), "EXE");
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(ControllerTest, SwitchBuildsInstallsRemembersAndIsReusedAfterARestart) {
    loc_->Initialize("", "");
    loc_->SwitchToLanguage(10);
    ASSERT_TRUE(boxes_.empty()) << boxes_.front();
    const std::string module = dir_ + "/Vlmrk.ES";
    ASSERT_TRUE(fs::exists(module));
    EXPECT_EQ(loc_->CurrentLanguageId, 10u);
    EXPECT_EQ(Remembered(), "ES");
    EXPECT_EQ(rtl::LoadResString(localizer::SLocNotInitialized), "El localizador no est\xE1 inicializado");
    const auto built = fs::last_write_time(module);

    // Back to the native language: no module, our own resources.
    loc_->SwitchToLanguage(9);
    EXPECT_EQ(Installed(), winres::AppInstance());
    EXPECT_EQ(Remembered(), "EXE");
    EXPECT_FALSE(fs::exists(dir_ + "/Vlmrk.EN"));
    // Spanish again: the module on disk is reused.
    loc_->SwitchToLanguage(10);
    EXPECT_EQ(fs::last_write_time(module), built);

    // Restart: the start-up choice installs Vlmrk.ES, nothing is rebuilt or reloaded twice.
    Restart();
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(loc_->CurrentLanguageId, 10u);
    EXPECT_EQ(fs::last_write_time(module), built);
    EXPECT_EQ(loc_->Store->LanguageCount(), 2);
    // Switching to the pack language again does not pile up copies in the store.
    loc_->SwitchToLanguage(9);
    loc_->SwitchToLanguage(10);
    EXPECT_EQ(loc_->Store->LanguageCount(), 2);
}

// An executable whose name holds a dot: the switch and the start-up choice name the module alike,
// so the restart finds the module the switch wrote.
TEST_F(ControllerTest, ExecutableNameWithADotNamesModulesAlike) {
    Stop();
    exeName_ = "vlmrk.bin";
    Start(true);
    loc_->SwitchToLanguage(10);
    ASSERT_TRUE(boxes_.empty()) << boxes_.front();
    ASSERT_TRUE(fs::exists(dir_ + "/vlmrk.bin.ES"));
    const auto built = fs::last_write_time(dir_ + "/vlmrk.bin.ES");
    Stop();
    Start(false);
    EXPECT_NE(winres::ChooseStartupResourceModule(), winres::AppInstance()) << "the start-up choice finds it";
    loc_->Initialize("", "");
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(loc_->CurrentLanguageId, 10u);
    EXPECT_EQ(fs::last_write_time(dir_ + "/vlmrk.bin.ES"), built);
    EXPECT_FALSE(fs::exists(dir_ + "/vlmrk.ES"));
}

TEST_F(ControllerTest, WindowsAreTranslatedInOneUpdateBracketBeforeTheChoiceIsWritten) {
    std::vector<std::string> events;
    loc_->Host.BeginWindowUpdate = [&] { events.push_back("begin, remembered " + Remembered()); };
    loc_->Host.EndWindowUpdate = [&] { events.push_back("end, remembered " + Remembered()); };
    loc_->Initialize("", "");
    events.clear();
    loc_->SwitchToLanguage(10);
    EXPECT_EQ(events, (std::vector<std::string>{"begin, remembered EXE", "end, remembered EXE"}));
    EXPECT_EQ(Remembered(), "ES");
    ASSERT_TRUE(boxes_.empty()) << boxes_.front();
}

TEST_F(ControllerTest, LanguageFileBesideTheExecutableOverridesThePackAndItsBuildDecidesReuse) {
    std::string source = kSpanishSource;
    WriteFile(dir_ + "/vlmrk.es.lng", LanguageFileOf(source));  // found without regard to case
    Restart();
    const int es = loc_->Languages->IndexOfLanguage(10);
    ASSERT_GE(es, 0);
    EXPECT_EQ(loc_->Languages->ItemAt(es)->FileName, "vlmrk.es.lng");
    loc_->SwitchToLanguage(10);
    ASSERT_TRUE(boxes_.empty()) << boxes_.front();
    const auto first = ReadBytes(dir_ + "/Vlmrk.ES");

    // A new build of the language file: the module is rebuilt with the new text.
    source.replace(source.find("build 4"), 7, "build 5");
    source.replace(source.find("Botón base"), 11, "Botón nuevo");
    WriteFile(dir_ + "/vlmrk.es.lng", LanguageFileOf(source));
    Restart();
    EXPECT_EQ(loc_->CurrentLanguageId, 10u);
    EXPECT_NE(ReadBytes(dir_ + "/Vlmrk.ES"), first);
    modres::TDLLInfoItem info;
    utils_->ReadModuleInfo(Installed(), true, info);
    EXPECT_EQ(info.Build, 5u);
}

TEST_F(ControllerTest, LanguageFilesFromXdgDataFoldersAreOfferedAndTheExecutablesFolderWins) {
    const std::string home = dir_ + "/data-home", system = dir_ + "/data-dirs";
    struct TRestoreXdg {
        std::string Home = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
        std::string Dirs = std::getenv("XDG_DATA_DIRS") ? std::getenv("XDG_DATA_DIRS") : "";
        ~TRestoreXdg() {
            ::setenv("XDG_DATA_HOME", Home.c_str(), 1);
            ::setenv("XDG_DATA_DIRS", Dirs.c_str(), 1);
        }
    } restore;
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    ::setenv("XDG_DATA_DIRS", system.c_str(), 1);
    fs::create_directories(home + "/veilmark/lang");
    fs::create_directories(system + "/veilmark/lang");
    std::string source = kSpanishSource;
    WriteFile(system + "/veilmark/lang/Vlmrk.ES.lng", LanguageFileOf(source));
    source.replace(source.find("build 4"), 7, "build 6");
    WriteFile(home + "/veilmark/lang/Vlmrk.ES.lng", LanguageFileOf(source));
    Restart();
    ASSERT_GE(loc_->Languages->IndexOfLanguage(10), 0);
    EXPECT_EQ(loc_->LanguageFileOfCode("ES"), home + "/veilmark/lang/Vlmrk.ES.lng");  // home before system
    loc_->SwitchToLanguage(10);
    ASSERT_TRUE(boxes_.empty()) << boxes_.front();
    modres::TDLLInfoItem info;
    utils_->ReadModuleInfo(Installed(), true, info);
    EXPECT_EQ(info.Build, 6u);

    // A file beside the executable comes before both.
    source.replace(source.find("build 6"), 7, "build 7");
    WriteFile(dir_ + "/Vlmrk.ES.lng", LanguageFileOf(source));
    EXPECT_EQ(loc_->LanguageFileOfCode("ES"), dir_ + "/Vlmrk.ES.lng");
}

TEST_F(ControllerTest, UnreadableLanguageFilesAreLeftOutSilently) {
    WriteFile(dir_ + "/Vlmrk.XX.lng", {});
    WriteFile(dir_ + "/Vlmrk.YY.lng", {'L', 'F', 9, 0, 1});
    Restart();
    EXPECT_EQ(loc_->Languages->Count(), 2);
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(ControllerTest, RememberedCodeWithoutALanguageIsReportedAndNamesNoFile) {
    {
        registry::TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(winres::kLocalesKey, true));
        reg.WriteString(dir_ + "/Vlmrk", "DE");
    }
    Restart();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "Localizer Error: Language \"German\" is not found");
    EXPECT_TRUE(loc_->Ready);
    EXPECT_EQ(loc_->CurrentLanguageId, 9u);
    EXPECT_EQ(Remembered(), "<none>");  // forgotten, so the next start is clean

    // A code that could reach outside the folder is no language at all.
    WriteFile(dir_ + "/Vlmrk.../x.lng", {});
    boxes_.clear();
    loc_->SwitchToCode("../x");
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(loc_->LanguageFileOfCode("../x"), "");
}

TEST_F(ControllerTest, UndeletableStaleModuleStopsTheSwitchBeforeTheSettingsStore) {
    loc_->Initialize("", "");
    // As root no permission bit keeps a file from being deleted; a non-empty folder in the
    // module's place cannot be deleted by anyone.
    fs::create_directories(dir_ + "/Vlmrk.ES/keep");
    loc_->SwitchToLanguage(10);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "Localizer Error: Can not delete file \"" + dir_ + "/Vlmrk.ES\"");
    EXPECT_EQ(Remembered(), "EXE");
    EXPECT_EQ(loc_->CurrentLanguageId, 9u);
}

TEST_F(ControllerTest, ErrorReactions) {
    // 0: raised to the caller.
    loc_->ErrorReaction = 0;
    try {
        loc_->Initialize("", dir_ + "/missing");
        FAIL() << "no error";
    } catch (const localizer::ELocOnFlyError& e) {
        EXPECT_EQ(e.Message(), "Specified path \"" + dir_ + "/missing\" does not exist");
    }
    EXPECT_FALSE(loc_->Starting);
    // 1: shown, and start-up goes on with the folder unchanged.
    Stop();
    Start(true, "", dir_ + "/missing");
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_TRUE(loc_->Ready);
    // Other values: swallowed without a box.
    Stop();
    boxes_.clear();
    Start();
    loc_->ErrorReaction = 2;
    loc_->Initialize("", dir_ + "/missing");
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(loc_->Ready);
    // Before Initialize every operation answers "not initialized".
    Stop();
    Start();
    loc_->SwitchToLanguage(10);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "Localizer Error: Localizer is not initialized");
}

TEST_F(ControllerTest, RegistryKeyGivenByTheCaller) {
    loc_->Initialize("Software\\Tests\\Ext", "");
    EXPECT_EQ(Remembered("Software\\Tests\\Ext", "LocalizerExt"), "EXE");
    loc_->SwitchToLanguage(10);
    EXPECT_EQ(Remembered("Software\\Tests\\Ext", "LocalizerExt"), "ES");
    EXPECT_EQ(Remembered(), "<none>");
    Restart("Software\\Tests\\Ext");
    EXPECT_EQ(loc_->CurrentLanguageId, 10u);
}

TEST_F(ControllerTest, NativeModuleOfAnotherVersionIsRefusedWithAnError) {
    WriteFile(dir_ + "/Vlmrk.ntv", ProgramImage({52, true}));
    Restart();
    loc_->SwitchToLanguage(10);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], "Localizer Error: The language module \"" + dir_ +
                             "/Vlmrk.ES\" does not match this version of the program");
    EXPECT_EQ(Remembered(), "EXE");
    // A native module of our version is used as the source.
    WriteFile(dir_ + "/Vlmrk.ntv", ProgramImage());
    boxes_.clear();
    loc_->SwitchToLanguage(10);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_EQ(Remembered(), "ES");
}

TEST_F(ControllerTest, ModuleOfAnotherBuildOfTheProgramIsRebuilt) {
    loc_->Initialize("", "");
    loc_->SwitchToLanguage(10);
    const auto before = utils_->ModuleFingerprint(Installed(), true);
    ASSERT_TRUE(before);
    // The next build carries other native resources: its fingerprint differs.
    image_ = ProgramImage({53, true});
    {
        modres::TResProcessor proc;
        proc.LoadFromImage("<test>", image_);
        proc.FindRCData()->AddItem("TEXTRA", false)->Data->WriteBytes(std::vector<std::uint8_t>{'T', 'P', 'F', '0', 0});
        modres::AddProgramSettings(proc);
        rtl::TMemoryStream out;
        proc.SaveToStream(out);
        image_ = out.TakeBytes();
    }
    Restart();
    EXPECT_EQ(loc_->CurrentLanguageId, 10u);
    const auto after = utils_->ModuleFingerprint(Installed(), true);
    ASSERT_TRUE(after);
    EXPECT_NE(*after, *before);
    EXPECT_EQ(after, utils_->ModuleFingerprint(winres::AppInstance(), false));
}

TEST_F(ControllerTest, NativeLanguageFileDefinesTheStoreAndMissingNativeLanguageIsAnError) {
    std::string native = kNativeSource;
    native.replace(native.find("\"Go\""), 4, "\"Start\"");
    WriteFile(dir_ + "/Vlmrk.ntv.lng", LanguageFileOf(native));
    Restart();
    EXPECT_EQ(loc_->Languages->Count(), 2);
    EXPECT_EQ(loc_->Languages->ItemAt(loc_->Languages->NativeIndex())->FileName, "Vlmrk.ntv.lng");
    auto* form = loc_->Store->Forms().ItemAt(loc_->Store->Forms().IndexOf("DataModule1"));
    EXPECT_EQ(form->Components().ItemAt(0)->Properties().ItemAt(0)->BaseValue()->Text(), u"Start");

    // No file and no pack.
    fs::remove(dir_ + "/Vlmrk.ntv.lng");
    image_ = ProgramImage({53, false});
    Stop();
    Start();
    loc_->ErrorReaction = 0;
    EXPECT_THROW(loc_->Initialize("", ""), localizer::ELocOnFlyError);
    EXPECT_FALSE(loc_->Ready);
}

}  // namespace
