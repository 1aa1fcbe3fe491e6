// Language modules built from resources like the program's, with the real TFORM1 and TABOUTBOX.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "langdata/LangFileWriter.h"
#include "langdata/LocLangFile.h"
#include "locstore/LocStorage.h"
#include "modres/ModuleSettings.h"
#include "modres/WinResProc.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtti/FormStream.h"
#include "platform/winres/WinRes.h"
#include "tests/langbuild/LangBuildTestUtil.h"

namespace {

using namespace langbuild_test;
using langdata::TLangFile;
using locstore::TLocStorage;
using modres::TResProcessor;

std::string WithOptions(std::string source, const char* options) {
    const std::string from = "\n  options 0\n";
    source.replace(source.find(from), from.size(), std::string("\n  options ") + options + "\n");
    return source;
}

std::u16string Utf16(const char* ascii) { return {ascii, ascii + std::char_traits<char>::length(ascii)}; }

struct TSpanish {
    TLocStorage Store;
    TLangFile File;
    explicit TSpanish(const char* options = "0") {
        LoadNative(Store, DataFile("en.vlang"));
        AddTranslation(Store, WithOptions(DataFile("es.vlang"), options), &File);
    }
};

std::u16string StringOf(const TResProcessor& module, int id) {
    auto* strings = module.FindStrings();
    const int index = strings->IndexOfId(id);
    return index < 0 ? u"<none>" : strings->ItemAt(index)->Text;
}

std::string FormOf(const TResProcessor& module, const char* name) {
    auto* item = module.FindRCData()->FindItem(name);
    return item ? Decompile(item->Data->View()) : std::string("<none>");
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ModuleBuild : public ::testing::Test {
protected:
    void SetUp() override { dir_ = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name()); }
    void TearDown() override { winres::ResetAppImage(); }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    std::string dir_;
};

TEST_F(ModuleBuild, SpanishModuleFromTheProgramsOwnResources) {
    const auto image = NativeImage();
    ASSERT_TRUE(winres::SetAppImage(image));
    TSpanish es;
    es.File.BuildLanguageModule(winres::AppInstance(), Path("Vlmrk.ES"), &es.Store, "");

    TResProcessor module;
    module.LoadFromFile(Path("Vlmrk.ES"));

    // Message strings: current translations in Spanish; untranslated and outdated ones native.
    EXPECT_EQ(StringOf(module, 65232), u"Debe cargar un mapa de bits para cifrar el texto");
    EXPECT_EQ(StringOf(module, 65239), u"Listo");
    EXPECT_EQ(StringOf(module, 65238), u"\u00A1No se puede cifrar en im\u00E1genes de menos de 16 bits!");
    EXPECT_EQ(StringOf(module, 65241), Utf16("Too long string to encrypt (Max: %d, Actual: %d)"));
    EXPECT_EQ(StringOf(module, 65237), Utf16("Text Decryption Failed, No Image to Encrypt From"));
    EXPECT_EQ(StringOf(module, 65263), Utf16("Your Text Was Encrypted into Image"));
    // Strings no constant names stay; a constant without a string entry adds none.
    EXPECT_EQ(StringOf(module, 65101), u"Stream read error");
    EXPECT_EQ(StringOf(module, 64000), u"<none>");

    // Forms: Spanish captions, hints and memo lines; character sets moved to the language's.
    const std::string form1 = FormOf(module, "TFORM1");
    EXPECT_TRUE(Has(form1, "Caption = @wstr 'Veilmark 1.0 (espa'#241'ol)'")) << form1;
    EXPECT_TRUE(Has(form1, "Hint = @wstr 'Cifrar el texto en la imagen'")) << form1;
    EXPECT_TRUE(Has(form1, "Hint = @wstr 'Descifrar el texto de la imagen'")) << form1;
    EXPECT_TRUE(Has(form1, "Caption = @wstr 'Pulse para cargar una imagen'")) << form1;
    EXPECT_TRUE(Has(form1, "Lines.Strings = (\n          @wstr 'Escriba aqu'#237' su texto')")) << form1;
    EXPECT_TRUE(Has(form1, "Caption = @wstr 'Archivo'")) << form1;
    EXPECT_TRUE(Has(form1, "Caption = 'Open...'")) << form1;          // empty translation: as read
    EXPECT_TRUE(Has(form1, "Caption = @wstr 'Exit'\n")) << form1;     // outdated: native text
    EXPECT_TRUE(Has(form1, "Title = @wstr 'Open a Bitmap'")) << form1;  // untranslated: native text
    EXPECT_FALSE(Has(form1, "DEFAULT_CHARSET")) << form1;
    EXPECT_TRUE(Has(form1, "Font.Charset = ANSI_CHARSET")) << form1;
    const std::string about = FormOf(module, "TABOUTBOX");
    EXPECT_TRUE(Has(about, "Caption = @wstr 'Acerca de Veilmark'")) << about;
    EXPECT_TRUE(Has(about, "Caption = @wstr 'Oculte su texto secreto en un mapa de bits'")) << about;
    EXPECT_TRUE(Has(about, "Hint = @wstr 'https://veilmark.example.org/es/'")) << about;

    // The records: no program settings, no pack, a 44-byte library record for Spanish that keeps
    // the program's version and carries the fingerprint of the resources it was made from.
    auto* rcdata = module.FindRCData();
    EXPECT_EQ(rcdata->FindItem(modres::kExeSettingsName), nullptr);
    EXPECT_EQ(rcdata->FindItem(modres::kLangPackName), nullptr);
    auto* lib = rcdata->FindItem(modres::kLibSettingsName);
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(lib->Data->Size(), 44);
    modres::TSettingsRecord record;
    modres::ReadSettingsRecord(*lib->Data, record);
    EXPECT_EQ(record.Magic, "LDLL");
    EXPECT_EQ(record.Version, 53u);
    EXPECT_EQ(record.LanguageId, 10u);
    EXPECT_EQ(record.EnglishName, "Spanish");
    EXPECT_EQ(record.NativeName, u"espa\u00F1ol");
    EXPECT_EQ(record.CopiedWord.value_or(0), 6);
    EXPECT_EQ(record.Build, 0u);
    EXPECT_EQ(lib->Data->Bytes().back(), 0);
    TResProcessor native;
    LoadImage(native, image);
    modres::TSettingsRecord program;
    modres::ReadSettingsRecord(*native.FindRCData()->FindItem(modres::kExeSettingsName)->Data, program);
    EXPECT_EQ(record.Reserved.value_or(0), program.Reserved.value_or(1));
    EXPECT_EQ(record.Reserved.value_or(0), modres::NativeResourcesFingerprint(native));
}

// How a wide text value shows in a decompiled form.
std::string WideValueText(const std::u16string& text) {
    rtl::TMemoryStream form;
    rtti::TWriter writer(form);
    writer.WriteSignature();
    writer.WriteHeader(0, -1, "T", "X");
    writer.WriteStr("P");
    writer.WriteWideString(text);
    writer.WriteListEnd();
    writer.WriteListEnd();
    const std::string decompiled = Decompile(form.View());
    const auto at = decompiled.find("P = ") + 4;
    return decompiled.substr(at, decompiled.find("\nend", at) - at);
}

TEST_F(ModuleBuild, ShippedSpanishOverTheRealForms) {
    // The shipped translation sources: every message string and every form text the Spanish
    // module carries is the Spanish one when current, the English one otherwise.
    const std::string lang = std::string(VLMRK_SOURCE_DIR) + "/resources/lang/";
    TLocStorage store;
    LoadNative(store, ReadTextFile(lang + "Vlmrk.en.txt"));
    TLangFile es;
    AddTranslation(store, ReadTextFile(lang + "Vlmrk.es.txt"), &es);
    ASSERT_FALSE(es.HasOption(langdata::lfoUseOutdated));
    const int slot = es.LanguageIndex();
    ASSERT_TRUE(winres::SetAppImage(NativeImage()));
    rtl::TMemoryStream image;
    es.WriteLanguageModule(winres::AppInstance(), image, &store, "");
    TResProcessor module;
    module.LoadFromImage("es", image.TakeBytes());

    auto current = [&](const locstore::TLocItem& item) {
        return item.Values().Value(slot)->Revision() == item.BaseValue()->Revision();
    };
    int spanish = 0, english = 0;
    for (int u = 0; u < store.Units().Count(); ++u) {
        auto& constants = store.Units().ItemAt(u)->Constants();
        for (int c = 0; c < constants.Count(); ++c) {
            auto* constant = constants.ItemAt(c);
            const bool useSpanish = current(*constant);
            (useSpanish ? spanish : english)++;
            const auto& expected = useSpanish ? constant->Values().Value(slot)->Text() : constant->BaseValue()->Text();
            EXPECT_EQ(StringOf(module, static_cast<int>(constant->ResourceId())), expected) << constant->Name();
        }
    }
    EXPECT_GT(spanish, 0);

    int properties = 0;
    for (int f = 0; f < store.Forms().Count(); ++f) {
        locstore::TLocForm* form = store.Forms().ItemAt(f);
        const std::string text = FormOf(module, ("T" + rtl::UpperCase(form->Name())).c_str());
        ASSERT_NE(text, "<none>") << form->Name();
        auto check = [&](const locstore::TLocComponent& component) {
            for (int p = 0; p < component.Properties().Count(); ++p) {
                auto* property = component.Properties().ItemAt(p);
                if (property->ValueKind() != locstore::lvkString || property->HasFlags(locstore::lvfNotApplied)) continue;
                const auto* value = property->Values().Value(slot);
                if (value->AsAnsi().empty()) continue;  // the value in the form stays as it was
                const auto& expected = current(*property) ? value->Text() : property->BaseValue()->Text();
                EXPECT_TRUE(Has(text, property->Name() + " = " + WideValueText(expected)))
                    << form->Name() << "." << component.Name() << "." << property->Name();
                ++properties;
            }
        };
        check(*form);
        for (int c = 0; c < form->Components().Count(); ++c) check(*form->Components().ItemAt(c));
    }
    EXPECT_GT(properties, 0);
}

TEST_F(ModuleBuild, UseOutdatedOptionAndANativeModuleFile) {
    rtl::SaveFileAtomically(Path("Vlmrk.ntv"), NativeImage());
    TSpanish es("0x0100");
    es.File.BuildLanguageModule(std::nullopt, Path("Vlmrk.ES"), &es.Store, Path("Vlmrk.ntv"));
    TResProcessor module;
    module.LoadFromFile(Path("Vlmrk.ES"));
    EXPECT_EQ(StringOf(module, 65237), u"Fall\u00F3 el descifrado del texto");
    EXPECT_EQ(StringOf(module, 65263), u"Su texto se cifr\u00F3 en la imagen");
    EXPECT_TRUE(Has(FormOf(module, "TFORM1"), "Caption = @wstr 'Salir'"));
}

TEST_F(ModuleBuild, NativeWithoutAValidLibraryRecordIsRefused) {
    TSpanish es;
    TNativeOptions noLib;
    noLib.LibSettings = false;
    rtl::SaveFileAtomically(Path("nolib.ntv"), NativeImage(noLib));
    TNativeOptions wrongMagic;
    wrongMagic.LibSettings = false;
    wrongMagic.ExtraRCData.push_back({modres::kLibSettingsName, modres::WriteSettingsRecord("KEXE", 53, 9, "English",
                                                                                            u"English", 6, 0, 0)});
    rtl::SaveFileAtomically(Path("magic.ntv"), NativeImage(wrongMagic));
    for (const char* native : {"nolib.ntv", "magic.ntv"}) {
        try {
            es.File.BuildLanguageModule(std::nullopt, Path("Vlmrk.ES"), &es.Store, Path(native));
            ADD_FAILURE() << native;
        } catch (const langdata::ELangFileError& e) {
            EXPECT_EQ(e.Message(), "Can't create DLL. The native DLL is invalid");
        }
        EXPECT_FALSE(std::filesystem::exists(Path("Vlmrk.ES"))) << native;
    }
}

TEST_F(ModuleBuild, ADamagedFormLeavesNoModuleAndTheOldOneIntact) {
    auto form = CompileForm(FormSource("Form1.txt"));
    form.resize(form.size() / 2);
    TNativeOptions options;
    options.Forms = false;
    options.ExtraRCData.push_back({"TFORM1", form});
    rtl::SaveFileAtomically(Path("Vlmrk.ntv"), NativeImage(options));
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    rtl::SaveFileAtomically(Path("Vlmrk.ES"), old);

    TSpanish es;
    try {
        es.File.BuildLanguageModule(std::nullopt, Path("Vlmrk.ES"), &es.Store, Path("Vlmrk.ntv"));
        FAIL() << "a damaged form must fail the build";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message().rfind("Error during processing form Form1\r\n", 0), 0u) << e.Message();
    }
    rtl::TMemoryStream kept;
    kept.LoadFromFile(Path("Vlmrk.ES"));
    EXPECT_EQ(kept.Bytes(), old);
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
        EXPECT_TRUE(entry.path().filename() == "Vlmrk.ES" || entry.path().filename() == "Vlmrk.ntv") << entry.path();
}

TEST_F(ModuleBuild, SettingsRecordIsAddedOrRewritten) {
    TSpanish es;
    // No RCDATA at all: a block and a record with the file's version are made.
    TResProcessor empty;
    es.File.WriteSettings(empty, 7, 0x1234);
    auto* added = empty.FindRCData()->FindItem(modres::kLibSettingsName);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->Name, modres::kLibSettingsName);
    EXPECT_EQ(added->Data->Bytes(),
              modres::WriteSettingsRecord("LDLL", 53, 10, "Spanish", u"espa\u00F1ol", 7, 0x1234, 0));

    // An older, longer record keeps its version and loses its tail.
    TResProcessor existing;
    existing.AddBlock(std::make_unique<modres::TResRCData>(&existing));
    auto longer = modres::WriteSettingsRecord("LDLL", 41, 9, "A much longer English name", u"And a native one", 6, 0, 9);
    existing.FindRCData()->AddItem(modres::kLibSettingsName, false)->Data->WriteBytes(longer);
    es.File.WriteSettings(existing, 6, 0);
    EXPECT_EQ(existing.FindRCData()->FindItem(modres::kLibSettingsName)->Data->Bytes(),
              modres::WriteSettingsRecord("LDLL", 41, 10, "Spanish", u"espa\u00F1ol", 6, 0, 0));
}

TEST_F(ModuleBuild, WithoutAStoreOnlyTheRecordIsRewritten) {
    const auto image = NativeImage();
    rtl::SaveFileAtomically(Path("Vlmrk.ntv"), image);
    TSpanish es;
    rtl::TMemoryStream out;
    es.File.WriteLanguageModule(std::nullopt, out, nullptr, Path("Vlmrk.ntv"));
    TResProcessor module, native;
    module.LoadFromImage("module", out.TakeBytes());
    LoadImage(native, image);
    EXPECT_EQ(StringOf(module, 65239), u"Ready");
    EXPECT_NE(module.FindRCData()->FindItem(modres::kLangPackName), nullptr);
    EXPECT_EQ(module.FindRCData()->FindItem("TFORM1")->Data->Bytes(), native.FindRCData()->FindItem("TFORM1")->Data->Bytes());
    modres::TSettingsRecord record;
    modres::ReadSettingsRecord(*module.FindRCData()->FindItem(modres::kLibSettingsName)->Data, record);
    EXPECT_EQ(record.LanguageId, 10u);
}

#ifdef VLMRK_TOOL
TEST_F(ModuleBuild, ToolBuildsFromANativeModuleAndItsPack) {
    rtl::SaveFileAtomically(Path("Vlmrk.ntv"), NativeImage());
    rtl::SaveFileAtomically(Path("es.lng"), LanguageFileOf(DataFile("es.vlang")));
    rtl::SaveFileAtomically(Path("en.lng"), LanguageFileOf(DataFile("en.vlang")));
    const std::string tool = VLMRK_TOOL;
    // The native language from the module's pack, then from a language file.
    const std::string packed = tool + " module build " + Path("es.lng") + " " + Path("A.ES") + " --native-module " +
                               Path("Vlmrk.ntv") + " > /dev/null";
    ASSERT_EQ(std::system(packed.c_str()), 0);
    const std::string file = tool + " module build " + Path("es.lng") + " " + Path("B.ES") + " --native-lng " +
                             Path("en.lng") + " --native-module " + Path("Vlmrk.ntv") + " > /dev/null";
    ASSERT_EQ(std::system(file.c_str()), 0);
    // The program's own resources: the tool carries the program image.
    const std::string own = tool + " module build " + Path("es.lng") + " " + Path("D.ES") + " --native-lng " +
                            Path("en.lng") + " > /dev/null";
    ASSERT_EQ(std::system(own.c_str()), 0);
    TResProcessor ownModule;
    ownModule.LoadFromFile(Path("D.ES"));
    EXPECT_EQ(StringOf(ownModule, 65239), u"Listo");
    EXPECT_EQ(ownModule.FindRCData()->FindItem(modres::kExeSettingsName), nullptr);
    for (const char* name : {"A.ES", "B.ES"}) {
        TResProcessor module;
        module.LoadFromFile(Path(name));
        EXPECT_EQ(StringOf(module, 65239), u"Listo") << name;
        EXPECT_TRUE(Has(FormOf(module, "TFORM1"), "'Archivo'")) << name;
    }
    const std::string bad = tool + " module build " + Path("missing.lng") + " " + Path("C.ES") + " --native-lng " +
                            Path("en.lng") + " --native-module " + Path("Vlmrk.ntv") + " 2> /dev/null";
    EXPECT_NE(std::system(bad.c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(Path("C.ES")));
}
#endif

}  // namespace
