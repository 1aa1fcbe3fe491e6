#include <gtest/gtest.h>

#include <cstdlib>

#include "modres/LocUtils.h"
#include "platform/nls/Nls.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/RtlConsts.h"
#include "platform/winres/StartupChoice.h"
#include "tests/modres/TestImages.h"
#include "tests/support/ErrorCode.h"

using namespace modres;
using namespace modres_test;

namespace {

VLMRK_RESSTRING(STestGreeting, 65170, "Test", "Hello");

// A language module: one translated string and a library record.
std::vector<std::uint8_t> LanguageModule(std::uint32_t version, std::uint16_t language, const std::u16string& greeting,
                                         std::uint16_t fingerprint, bool withRecord = true) {
    TResProcessor proc;
    auto strings = std::make_unique<TResString>(&proc);
    strings->AddString(65170, greeting);
    proc.AddBlock(std::move(strings));
    auto rcdata = std::make_unique<TResRCData>(&proc);
    if (withRecord)
        rcdata->AddItem(kLibSettingsName, false)->Data->WriteBytes(
            WriteSettingsRecord("LDLL", version, language, "Other", u"Other", 6, fingerprint, 3));
    else
        rcdata->AddItem("SOMETHING", false);
    proc.AddBlock(std::move(rcdata));
    return Save(proc);
}

std::vector<std::uint8_t> RecordWithTail(std::size_t tail) {
    auto bytes = WriteSettingsRecord("LDLL", 53, 9, "English", u"English", 6, 0, 0x01020304);
    bytes.resize(bytes.size() - 9);  // cut right after the names
    for (std::size_t i = 0; i < tail; ++i) bytes.push_back(static_cast<std::uint8_t>(i + 1));
    return bytes;
}

class LocUtilsTest : public ::testing::Test {
protected:
    void SetUp() override {
        winres::ResetModulesForTests();
        TResProcessor proc;
        FillProgramLike(proc);
        program_ = Save(proc);
        ASSERT_TRUE(winres::SetAppImage(program_));
        fingerprint_ = NativeResourcesFingerprint(proc);
        utils_ = std::make_unique<TKLocUtils>();
        utils_->SetAppFileName(dir_.File("Vlmrk"));
        const char* config = std::getenv("XDG_CONFIG_HOME");
        savedConfig_ = config ? std::optional<std::string>(config) : std::nullopt;
        ::setenv("XDG_CONFIG_HOME", dir_.File("config").c_str(), 1);
    }
    void TearDown() override {
        utils_.reset();
        winres::ResetModulesForTests();
        winres::ResetAppImage();
        winres::SetAppFileName("");
        rtl::SetResStringLoader({});
        if (savedConfig_) ::setenv("XDG_CONFIG_HOME", savedConfig_->c_str(), 1);
        else ::unsetenv("XDG_CONFIG_HOME");
    }
    std::string Module(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteFile(dir_.File(name), bytes);
        return dir_.File(name);
    }
    void Remember(const std::string& valueName, const std::string& value) {
        registry::TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(winres::kLocalesKey, true));
        reg.WriteString(valueName, value);
    }

    TempDir dir_;
    std::vector<std::uint8_t> program_;
    std::uint16_t fingerprint_ = 0;
    std::unique_ptr<TKLocUtils> utils_;
    std::optional<std::string> savedConfig_;
};

}  // namespace

TEST_F(LocUtilsTest, OwnResourcesAreInSyncAndNameTheNativeLanguage) {
    EXPECT_EQ(&LocUtils(), utils_.get());
    EXPECT_TRUE(utils_->VerifyResourceModule());
    EXPECT_TRUE(utils_->CheckResourceModule());
    auto& info = utils_->CurrentLibInfo();
    EXPECT_EQ(info.LanguageId, 9u);
    EXPECT_EQ(info.Version, 53u);
    EXPECT_EQ(info.EnglishName, "English");
    EXPECT_EQ(info.NativeName, u"English");
    EXPECT_EQ(info.Build, 0u);
    EXPECT_EQ(utils_->LoadResourceLibrary(0, ""), utils_->AppInstance);
    EXPECT_EQ(utils_->ModuleFingerprint(0, false), fingerprint_);
}

TEST_F(LocUtilsTest, SwitchingInstallsTheModuleAndMessagesFollowIt) {
    EXPECT_EQ(rtl::LoadResString(STestGreeting), "Hello");
    // Russian: the interface code page follows the module's language.
    auto file = Module("Vlmrk.RU", LanguageModule(53, 0x19, u"\u041F\u0440\u0438", fingerprint_));
    HMODULE module = utils_->SwitchResourceLibrary(file);
    ASSERT_NE(module, 0u);
    EXPECT_EQ(winres::FindResourceModule(utils_->AppInstance), module);
    EXPECT_EQ(winres::InterfaceCodePage(), 1251);
    EXPECT_EQ(rtl::LoadResString(STestGreeting), "\xCF\xF0\xE8");
    EXPECT_EQ(utils_->CurrentLibInfo().LanguageId, 0x19u);
    EXPECT_EQ(utils_->CurrentLibInfo().Build, 3u);
    // A message the module lacks falls back to the declared text.
    EXPECT_EQ(rtl::LoadResString(rtl::SReadError), "Stream read error");

    // Installing another releases the first; going back releases the second.
    auto es = Module("Vlmrk.ES", LanguageModule(53, 10, u"Hola", fingerprint_));
    HMODULE second = utils_->SwitchResourceLibrary(es);
    EXPECT_EQ(winres::ReferenceCount(module), 0);
    EXPECT_EQ(rtl::LoadResString(STestGreeting), "Hola");
    EXPECT_EQ(utils_->SwitchResourceLibrary(""), utils_->AppInstance);
    EXPECT_EQ(winres::ReferenceCount(second), 0);
    EXPECT_EQ(rtl::LoadResString(STestGreeting), "Hello");
    EXPECT_EQ(winres::InterfaceCodePage(), nls::CodePageForLocale(9));
}

TEST_F(LocUtilsTest, OutOfVersionModulesAreNotInstalled) {
    auto file = Module("Vlmrk.FR", LanguageModule(52, 12, u"Salut", fingerprint_));
    HMODULE held = winres::LoadLibraryEx(file);
    ASSERT_NE(held, 0u);
    try {
        utils_->LoadResourceLibrary(0, file);
        FAIL() << "no error";
    } catch (const ELUOutOfVersion& e) {
        EXPECT_EQ(e.Message(), "Resource file " + file +
                                   " is not synhronized with executable.\r\nPlease, update the file (using \"Refresh\" "
                                   "operation in Localizer or \"Create DLL\" command in Vorerure Vorarod) and try again");
    }
    EXPECT_EQ(winres::ReferenceCount(held), 1);  // the loader's reference went back
    utils_->OnFlyMode = true;
    EXPECT_EQ(utils_->LoadResourceLibrary(0, file), 0u);
    EXPECT_EQ(utils_->SwitchResourceLibrary(file), utils_->AppInstance);
    EXPECT_EQ(winres::ReferenceCount(held), 1);
    winres::FreeLibrary(held);
}

TEST_F(LocUtilsTest, LoadFailuresAndInvalidModules) {
    try {
        utils_->LoadResourceLibrary(0, dir_.File("missing"));
        FAIL() << "no error";
    } catch (const ELULoadResLibError& e) {
        EXPECT_EQ(e.Message(), "Error loading resource file \"" + dir_.File("missing") + "\"");
    }
    auto file = Module("Vlmrk.XX", LanguageModule(53, 10, u"x", 0, false));
    try {
        utils_->LoadResourceLibrary(0, file);
        FAIL() << "no error";
    } catch (const ELUInvalidResLibrary& e) {
        EXPECT_EQ(e.Message(), "Invalid resource file format \"" + file + "\"");
        EXPECT_EQ(e.Code(), "rec.record.missing");
    }
    // A record with the program's magic where a library's belongs.
    TResProcessor proc;
    auto rcdata = std::make_unique<TResRCData>(&proc);
    rcdata->AddItem(kLibSettingsName, false)->Data->WriteBytes(WriteSettingsRecord("KEXE", 53, 10, "Other", u"Other", 6, 0, 3));
    proc.AddBlock(std::move(rcdata));
    const auto wrong = Module("Vlmrk.YY", Save(proc));
    EXPECT_EQ(testutil::ErrorCodeOf([&] { utils_->LoadResourceLibrary(0, wrong); }), "rec.header.magic");
    EXPECT_EQ(winres::FindResourceModule(utils_->AppInstance), utils_->AppInstance);
    EXPECT_EQ(utils_->SetResourceModule(0x7777, utils_->AppInstance), 0u);  // not registered
}

TEST_F(LocUtilsTest, CheckResourceModuleGivesOwnResourcesBack) {
    auto file = Module("Vlmrk.XX", LanguageModule(53, 10, u"x", 0, false));
    for (bool ignore : {true, false}) {
        HMODULE bad = winres::LoadLibraryEx(file);
        ASSERT_NE(bad, 0u);
        utils_->SetResourceModule(0, bad);
        utils_->IgnoreCheckErrors = ignore;
        if (ignore) EXPECT_FALSE(utils_->CheckResourceModule());
        else EXPECT_THROW(utils_->CheckResourceModule(), ELUInvalidResLibrary);
        EXPECT_EQ(winres::FindResourceModule(utils_->AppInstance), utils_->AppInstance);
        EXPECT_EQ(winres::ReferenceCount(bad), 0);
    }
    // Out of version under on-the-fly mode is reported, not raised, and the module stays.
    auto old = Module("Vlmrk.OLD", LanguageModule(50, 10, u"x", fingerprint_));
    HMODULE module = winres::LoadLibraryEx(old);
    utils_->SetResourceModule(0, module);
    utils_->OnFlyMode = true;
    EXPECT_FALSE(utils_->CheckResourceModule());
    EXPECT_EQ(winres::FindResourceModule(utils_->AppInstance), module);
    utils_->OnFlyMode = false;
    utils_->IgnoreCheckErrors = false;
    EXPECT_THROW(utils_->CheckResourceModule(), ELUOutOfVersion);
    EXPECT_EQ(winres::FindResourceModule(utils_->AppInstance), utils_->AppInstance);
}

TEST_F(LocUtilsTest, CurrentLibInfoKeepsWhatAFailedReadLeft) {
    EXPECT_EQ(utils_->CurrentLibInfo().LanguageId, 9u);
    // A record that ends after its version: the version is stored, the rest stays, nothing raised.
    TResProcessor proc;
    auto rcdata = std::make_unique<TResRCData>(&proc);
    rcdata->AddItem(kLibSettingsName, false)->Data->WriteBytes(std::vector<std::uint8_t>{'L', 'D', 'L', 'L', 77, 0, 0, 0});
    proc.AddBlock(std::move(rcdata));
    HMODULE module = winres::LoadLibraryEx(Module("Vlmrk.CUT", Save(proc)));
    utils_->SetResourceModule(0, module);
    auto& info = utils_->CurrentLibInfo();
    EXPECT_EQ(info.Version, 77u);
    EXPECT_EQ(info.LanguageId, 9u);
    EXPECT_EQ(info.EnglishName, "English");
}

TEST(SettingsRecord, BuildIsReadOnlyWhenMoreThanFourBytesFollowTheNames) {
    for (std::size_t tail : {0u, 4u, 5u, 7u, 8u, 9u}) {
        SCOPED_TRACE(tail);
        auto bytes = RecordWithTail(tail);
        rtl::TReadOnlyStream stream(bytes);
        TSettingsRecord record;
        if (tail >= 5 && tail <= 7) {
            EXPECT_THROW(ReadSettingsRecord(stream, record), rtl::EReadError);
            EXPECT_EQ(record.NativeName, u"English");  // read before the failure
            try {
                ReadSettingsRecord(stream, record);
            } catch (const rtl::EReadError& e) {
                EXPECT_EQ(e.Code(), "rec.build.short");
            }
            continue;
        }
        ReadSettingsRecord(stream, record);
        EXPECT_EQ(record.Version, 53u);
        EXPECT_EQ(record.Build, tail >= 8 ? 0x08070605u : 0u);
        EXPECT_EQ(record.CopiedWord.has_value(), tail >= 2);
    }
    // The program's fresh record is 44 bytes, field by field.
    auto fresh = WriteSettingsRecord("KEXE", 53, 9, "English", u"English", 6, 0xBEEF, 0);
    ASSERT_EQ(fresh.size(), 44u);
    EXPECT_EQ(std::string(fresh.begin(), fresh.begin() + 4), "KEXE");
    EXPECT_EQ(U32At(fresh, 4), 53u);
    EXPECT_EQ(U16At(fresh, 8), 9u);
    EXPECT_EQ(U16At(fresh, 10), 7u);
    EXPECT_EQ(U16At(fresh, 19), 7u);
    EXPECT_EQ(U16At(fresh, 35), 6u);
    EXPECT_EQ(U16At(fresh, 37), 0xBEEFu);
    EXPECT_EQ(U32At(fresh, 39), 0u);
    EXPECT_EQ(fresh[43], 0);
}

TEST(SettingsRecord, FingerprintCoversStringsAndFormsOnly) {
    TResProcessor a, b, c;
    FillProgramLike(a);
    FillProgramLike(b);
    FillProgramLike(c, u"Hello!");
    EXPECT_EQ(NativeResourcesFingerprint(a), NativeResourcesFingerprint(b));
    EXPECT_NE(NativeResourcesFingerprint(a), NativeResourcesFingerprint(c));
    // Settings records and other non-form data do not count; a changed form does.
    b.FindRCData()->RemoveItem(kExeSettingsName);
    b.FindRCData()->FindItem("42")->Data->WriteU8(1);
    EXPECT_EQ(NativeResourcesFingerprint(a), NativeResourcesFingerprint(b));
    b.FindRCData()->FindItem("TFORM1")->Data->WriteU8(1);
    EXPECT_NE(NativeResourcesFingerprint(a), NativeResourcesFingerprint(b));
}

// A module build takes the fingerprint of the program's native resources from the program's own
// record, which the reuse check compares with; without a record it is worked out, and so is that
// of any other module's resources.
TEST_F(LocUtilsTest, LoadedFingerprintComesFromTheProgramsRecord) {
    TResProcessor loaded;
    loaded.LoadFromModule(0);
    EXPECT_EQ(LoadedResourcesFingerprint(loaded), fingerprint_);

    TResProcessor other;
    FillProgramLike(other, u"Hello!");
    ASSERT_TRUE(winres::SetAppImage(Save(other)));
    loaded.LoadFromModule(0);
    EXPECT_EQ(LoadedResourcesFingerprint(loaded), NativeResourcesFingerprint(other));

    // A record that names another fingerprint is the program's word for its resources.
    other.FindRCData()->RemoveItem(kExeSettingsName);
    other.FindRCData()->AddItem(kExeSettingsName, false)->Data->WriteBytes(
        WriteSettingsRecord(kExeSettingsMagic, kProjectVersion, kNativeLanguageId, "English", u"English", 6, 0x1234, 0));
    ASSERT_TRUE(winres::SetAppImage(Save(other)));
    loaded.LoadFromModule(0);
    EXPECT_EQ(LoadedResourcesFingerprint(loaded), 0x1234);

    // None in the record, or no record: worked out.
    other.FindRCData()->RemoveItem(kExeSettingsName);
    ASSERT_TRUE(winres::SetAppImage(Save(other)));
    loaded.LoadFromModule(0);
    EXPECT_EQ(LoadedResourcesFingerprint(loaded), NativeResourcesFingerprint(other));

    // Another module's resources are worked out, whatever its record says.
    ASSERT_TRUE(winres::SetAppImage(program_));
    const auto module = winres::LoadLibraryEx(Module("Vlmrk.es", LanguageModule(53, 10, u"Hola", 0x4321)));
    ASSERT_NE(module, 0u);
    loaded.LoadFromModule(module);
    EXPECT_EQ(LoadedResourcesFingerprint(loaded), NativeResourcesFingerprint(loaded));
    winres::FreeLibrary(module);
}

// ---- The start-up choice ----------------------------------------------------------------------

TEST_F(LocUtilsTest, StartupTakesTheRememberedValueThenTheLocale) {
    Module("Vlmrk.es", LanguageModule(53, 10, u"Hola", fingerprint_));
    Module("Vlmrk.DEU", LanguageModule(53, 0x407, u"Hallo", fingerprint_));
    ::setenv("LC_ALL", "C", 1);
    nls::ResetUserLocaleForTests();

    // The value named by the executable's path; its file is found without regard to case.
    Remember(dir_.File("Vlmrk"), "ES");
    HMODULE chosen = winres::ChooseStartupResourceModule();
    EXPECT_NE(chosen, utils_->AppInstance);
    EXPECT_EQ(rtl::LoadResString(STestGreeting), "Hola");

    // "EXE" means the program itself at once, even with a locale module present.
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    nls::ResetUserLocaleForTests();
    Remember(dir_.File("Vlmrk"), "exe");
    EXPECT_EQ(winres::ChooseStartupResourceModule(), utils_->AppInstance);
    EXPECT_EQ(winres::ReferenceCount(chosen), 0);

    // A value that could leave the folder is ignored: the locale's abbreviation decides.
    Remember(dir_.File("Vlmrk"), "../ES");
    winres::ChooseStartupResourceModule();
    EXPECT_EQ(rtl::LoadResString(STestGreeting), "Hallo");

    // No named value: the key's unnamed value; only four characters count.
    registry::TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(winres::kLocalesKey, false));
    reg.DeleteValue(dir_.File("Vlmrk"));
    reg.WriteString("", "ESxyz");
    Module("Vlmrk.ESxy", LanguageModule(53, 10, u"Buenas", fingerprint_));
    winres::ChooseStartupResourceModule();
    EXPECT_EQ(rtl::LoadResString(STestGreeting), "Buenas");

    ::unsetenv("LC_ALL");
    nls::ResetUserLocaleForTests();
}

TEST_F(LocUtilsTest, StartupFallsBackToTheTwoLetterCodeAndRefusesOtherBuilds) {
    ::setenv("LC_ALL", "es_ES.UTF-8", 1);  // ESN, then ES
    nls::ResetUserLocaleForTests();
    Module("Vlmrk.ES", LanguageModule(53, 10, u"Hola", fingerprint_));
    winres::ChooseStartupResourceModule();
    EXPECT_EQ(rtl::LoadResString(STestGreeting), "Hola");

    // A module built from other native resources is not installed at start.
    Module("Vlmrk.ES", LanguageModule(53, 10, u"Hola", static_cast<std::uint16_t>(fingerprint_ ^ 0x5A5A)));
    EXPECT_EQ(winres::ChooseStartupResourceModule(), utils_->AppInstance);
    EXPECT_EQ(rtl::LoadResString(STestGreeting), "Hello");

    // The first lookup chooses by itself.
    Module("Vlmrk.ES", LanguageModule(53, 10, u"Hola", fingerprint_));
    winres::ResetModulesForTests();
    EXPECT_EQ(rtl::LoadResString(STestGreeting), "Hola");
    ::unsetenv("LC_ALL");
    nls::ResetUserLocaleForTests();
}
