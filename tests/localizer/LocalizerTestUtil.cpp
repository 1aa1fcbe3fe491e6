#include "tests/localizer/LocalizerTestUtil.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "langdata/LangFileWriter.h"
#include "langdata/LangPack.h"
#include "langdata/LangSource.h"
#include "langdata/LocLangFile.h"
#include "modres/ModuleSettings.h"
#include "modres/WinResProc.h"
#include "platform/rtl/Streams.h"
#include "resources/messages/CatalogueStrings.h"

namespace loctest {

using namespace rtti;

const char kNativeSource[] = R"(header
  version 53
  build 4
  language 9
  english-name "English"
  native-name "English"
  native yes
  options 0x0002
  max-constant-id 1
  max-property-id 18
end
unit LocOnFly
  constant SLocNotInitialized id 1 resource 65310 revision 1 = "Localizer is not initialized"
end
form BaseForm
  property Caption id 1 kind string revision 1 = "Base caption"
  component btnBase
    property Caption id 2 kind string revision 1 = "Base button"
  end
end
form DerivedForm
  component btnOwn
    property Caption id 3 kind string revision 1 = "Own button"
  end
end
form InfoFrame
  component lblInfo
    property Caption id 4 kind string revision 1 = "Information"
  end
end
form HostForm
  property Caption id 5 kind string revision 1 = "Host"
  component "grid.Columns[1]"
    property Title id 6 kind string revision 1 = "Second column"
  end
  component "grid.Columns[7]"
    property Title id 7 kind string revision 1 = "Beyond the end"
  end
  component "grid.Columns[-1]"
    property Title id 8 kind string revision 1 = "Negative"
  end
  component "grid.Columns[x]"
    property Title id 9 kind string revision 1 = "Not a number"
  end
  component memo
    property Lines.Strings id 10 kind strings revision 1 = "First line\r\nSecond line\r\n"
    property Extra.Name id 11 kind string revision 1 = "Tahoma"
    property Width id 12 kind integer revision 1 = "120"
  end
  component btnGone
    property Caption id 13 kind string revision 1 = "Removed"
  end
  component btnFlag
    property Caption id 14 kind string revision 1 flags 0x0008 = "Never"
  end
  component btnOld
    property Caption id 15 kind string revision 2 = "New base text"
  end
  component btnKeep flags 0x0004
    property Caption id 16 kind string revision 1 = "Keeps charset"
  end
  component btnAlign
    property Align id 17 kind identifier revision 1
  end
end
form DataModule1
  component actGo
    property Caption id 18 kind string revision 1 = "Go"
  end
end
)";

const char kSpanishSource[] = R"(header
  version 53
  build 4
  language 10
  based-on 9
  english-name "Spanish"
  native-name "español"
  max-constant-id 1
  max-property-id 18
end
unit LocOnFly
  constant SLocNotInitialized id 1 resource 65310 revision 1 = "El localizador no está inicializado"
end
form BaseForm
  property Caption id 1 kind string revision 1 = "Título base"
  component btnBase
    property Caption id 2 kind string revision 1 = "Botón base"
  end
end
form DerivedForm
  component btnOwn
    property Caption id 3 kind string revision 1 = "Botón propio"
  end
end
form InfoFrame
  component lblInfo
    property Caption id 4 kind string revision 1 = "Información"
  end
end
form HostForm
  property Caption id 5 kind string revision 1 = "Anfitrión"
  component "grid.Columns[1]"
    property Title id 6 kind string revision 1 = "Segunda columna"
  end
  component "grid.Columns[7]"
    property Title id 7 kind string revision 1 = "Más allá"
  end
  component "grid.Columns[-1]"
    property Title id 8 kind string revision 1 = "Negativo"
  end
  component "grid.Columns[x]"
    property Title id 9 kind string revision 1 = "No es un número"
  end
  component memo
    property Lines.Strings id 10 kind strings revision 1 = "Primera línea\r\nSegunda línea\r\n"
    property Extra.Name id 11 kind string revision 1 = "Arial"
    property Width id 12 kind integer revision 1 = "140"
  end
  component btnGone
    property Caption id 13 kind string revision 1 = "Quitado"
  end
  component btnFlag
    property Caption id 14 kind string revision 1 flags 0x0008 = "Nunca"
  end
  component btnOld
    property Caption id 15 kind string revision 1 = "Texto base viejo"
  end
  component btnKeep flags 0x0004
    property Caption id 16 kind string revision 1 = "Conserva"
  end
  component btnAlign
    property Align id 17 kind identifier revision 1
  end
end
form DataModule1
  component actGo
    property Caption id 18 kind string revision 1 = "Ir"
  end
end
)";

std::vector<std::uint8_t> LanguageFileOf(const std::string& source) {
    locstore::TLocStorage parsed;
    langdata::TLangFileHeader header = langdata::ParseLangSource(source, "test.vlang", parsed);
    return langdata::MakeLanguageFile(header, parsed, 0);
}

void LoadStore(locstore::TLocStorage& store) {
    auto native = LanguageFileOf(kNativeSource);
    rtl::TReadOnlyStream in(native);
    langdata::TLangFile file;
    file.LoadFromStream(in, &store, 0, -1);
    auto spanish = LanguageFileOf(kSpanishSource);
    rtl::TReadOnlyStream in2(spanish);
    const int slot = store.AddLanguage(0, 10);
    langdata::TLangFile translation;
    translation.LoadFromStream(in2, &store, 0, slot);
    store.SetActiveLanguageIndex(slot);
}

std::vector<std::uint8_t> ProgramImage(const TImageOptions& options) {
    modres::TResProcessor proc;
    auto strings = std::make_unique<modres::TResString>(&proc);
    messages::AddCatalogueStrings(*strings);
    proc.AddBlock(std::move(strings));
    auto rcdata = std::make_unique<modres::TResRCData>(&proc);
    if (options.Pack) {
        rtl::TMemoryStream pack;
        langdata::WriteLanguagePack(pack,
                                    {{9, "English", u"English", LanguageFileOf(kNativeSource)},
                                     {10, "Spanish", u"español",
                                      LanguageFileOf(options.SpanishSource ? options.SpanishSource : kSpanishSource)}},
                                    modres::kProjectVersion);
        rcdata->AddItem(modres::kLangPackName, false)->LoadData(pack);
    }
    proc.AddBlock(std::move(rcdata));
    modres::AddProgramSettings(proc);
    if (options.Version != modres::kProjectVersion) {
        // Both records of another program version.
        auto* rc = proc.FindRCData();
        const std::uint16_t fingerprint = modres::NativeResourcesFingerprint(proc);
        for (const char* name : {modres::kExeSettingsName, modres::kLibSettingsName}) {
            const bool lib = name == modres::kLibSettingsName;
            auto bytes = modres::WriteSettingsRecord(lib ? modres::kLibSettingsMagic : modres::kExeSettingsMagic,
                                                     options.Version, 9, "English", u"English",
                                                     modres::kNativeCopiedWord, fingerprint, 0);
            rc->RemoveItem(name);
            rtl::TMemoryStream data(bytes);
            rc->AddItem(name, false)->LoadData(data);
        }
    }
    rtl::TMemoryStream out;
    proc.SaveToStream(out);
    return out.TakeBytes();
}

std::string TempDir(const std::string& name) {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    std::filesystem::path dir = std::filesystem::path(cache ? cache : "/tmp") / "localizer" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// ---- Classes ------------------------------------------------------------------------------------

const TClassInfo* TTestColumn::StaticClass() {
    static const TClassInfo info("TTestColumn", TCollectionItem::StaticClass(), Creator<TTestColumn>(),
                                 {pub::String<TTestColumn>("Title", &TTestColumn::Title)});
    return &info;
}

const TClassInfo* TTestGrid::StaticClass() {
    static const TClassInfo info("TTestGrid", TWinControl::StaticClass(), Creator<TTestGrid>(),
                                 {pub::Object<TTestGrid>("Columns", TCollection::StaticClass(), &TTestGrid::Columns)});
    return &info;
}

const TClassInfo* TTestMemo::StaticClass() {
    static const TClassInfo info(
        "TTestMemo", TWinControl::StaticClass(), Creator<TTestMemo>(),
        {pub::Object<TTestMemo>("Lines", TStrings::StaticClass(), &TTestMemo::Lines),
         pub::Object<TTestMemo>("Extra", TFont::StaticClass(), [](const TTestMemo& m) { return m.Extra; })});
    return &info;
}

const TClassInfo* TTestAction::StaticClass() {
    static const TClassInfo info("TTestAction", TComponent::StaticClass(), Creator<TTestAction>(),
                                 {pub::String<TTestAction>("Caption", &TTestAction::Caption)});
    return &info;
}

const TClassInfo* TBaseForm::StaticClass() {
    static const TClassInfo info("TBaseForm", TForm::StaticClass(), Creator<TBaseForm>());
    return &info;
}
const TClassInfo* TDerivedForm::StaticClass() {
    static const TClassInfo info("TDerivedForm", TBaseForm::StaticClass(), Creator<TDerivedForm>());
    return &info;
}
const TClassInfo* TInfoFrame::StaticClass() {
    static const TClassInfo info("TInfoFrame", TFrame::StaticClass(), Creator<TInfoFrame>());
    return &info;
}
const TClassInfo* THostForm::StaticClass() {
    static const TClassInfo info("THostForm", TForm::StaticClass(), Creator<THostForm>());
    return &info;
}
const TClassInfo* TDataModule1::StaticClass() {
    static const TClassInfo info("TDataModule1", TDataModule::StaticClass(), Creator<TDataModule1>());
    return &info;
}

}  // namespace loctest
