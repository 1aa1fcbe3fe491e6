#include "tests/langbuild/LangBuildTestUtil.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "langdata/LangFileWriter.h"
#include "langdata/LangPack.h"
#include "langdata/LangSource.h"
#include "modres/ModuleSettings.h"
#include "platform/rtti/FormText.h"
#include "resources/messages/CatalogueStrings.h"

namespace langbuild_test {

std::vector<std::uint8_t> CompileForm(const std::string& text) {
    rtl::TMemoryStream out;
    rtti::ObjectTextToBinary(text, out);
    return out.TakeBytes();
}

std::string Decompile(std::span<const std::uint8_t> bytes) {
    rtl::TReadOnlyStream in(bytes);
    return rtti::ObjectBinaryToText(in);
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot open " + path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string DataFile(const std::string& name) { return ReadTextFile(std::string(VLMRK_TEST_DATA_DIR) + "/langbuild/" + name); }

std::string FormSource(const std::string& name) {
    return ReadTextFile(std::string(VLMRK_SOURCE_DIR) + "/resources/forms/" + name);
}

void LoadNative(locstore::TLocStorage& store, const std::string& source) {
    auto bytes = LanguageFileOf(source);
    rtl::TReadOnlyStream in(bytes);
    langdata::TLangFile file;
    file.LoadFromStream(in, &store, 0, -1);
}

std::vector<std::uint8_t> LanguageFileOf(const std::string& source) {
    locstore::TLocStorage parsed;
    langdata::TLangFileHeader header = langdata::ParseLangSource(source, "test.vlang", parsed);
    return langdata::MakeLanguageFile(header, parsed, 0);
}

int AddTranslation(locstore::TLocStorage& store, const std::string& source, langdata::TLangFile* file) {
    auto bytes = LanguageFileOf(source);
    rtl::TReadOnlyStream in(bytes);
    langdata::TLangFileHeader header;
    langdata::ReadLangFileHeader(in, header);
    const int slot = store.AddLanguage(0, header.LanguageId);
    langdata::TLangFile local;
    langdata::TLangFile& target = file ? *file : local;
    target.LoadFromStream(in, &store, 0, slot);
    target.SetLanguageIndex(slot);
    return slot;
}

std::vector<std::uint8_t> NativeImage(const TNativeOptions& options) {
    modres::TResProcessor proc;
    auto strings = std::make_unique<modres::TResString>(&proc);
    messages::AddCatalogueStrings(*strings);
    proc.AddBlock(std::move(strings));
    auto rcdata = std::make_unique<modres::TResRCData>(&proc);
    if (options.Forms) {
        rcdata->AddItem("TFORM1", false)->Data->WriteBytes(CompileForm(FormSource("Form1.txt")));
        rcdata->AddItem("TABOUTBOX", false)->Data->WriteBytes(CompileForm(FormSource("AboutBox.txt")));
    }
    for (const auto& [name, bytes] : options.ExtraRCData) rcdata->AddItem(name, false)->Data->WriteBytes(bytes);
    {
        rtl::TMemoryStream pack;
        langdata::WriteLanguagePack(pack, {{9, "English", u"English", LanguageFileOf(DataFile("en.vlang"))}},
                                    modres::kProjectVersion);
        rcdata->AddItem(modres::kLangPackName, false)->LoadData(pack);
    }
    proc.AddBlock(std::move(rcdata));
    modres::AddProgramSettings(proc);
    if (!options.LibSettings) proc.FindRCData()->RemoveItem(modres::kLibSettingsName);
    rtl::TMemoryStream out;
    proc.SaveToStream(out);
    return out.TakeBytes();
}

void LoadImage(modres::TResProcessor& processor, const std::vector<std::uint8_t>& image) {
    processor.LoadFromImage("<test>", image);
}

std::string TempDir(const std::string& name) {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    std::filesystem::path dir = std::filesystem::path(cache ? cache : "/tmp") / "langbuild" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

}  // namespace langbuild_test
