// Build step: compiles the example languages of resources/lang/extra/ (installed, and used by
// the end-to-end tests) against the program's native language.
//
//   make_extra_languages IMAGE OUTDIR SOURCE...
//
// The example sources name their items (unit and constant, form, component and property) but
// carry no item numbers, so they stay valid whatever numbers the shipped sources hand out. Each
// is matched by names to the native language of the program image's pack, and written as a
// language file Vlmrk.<code>.lng numbered like the native language, every translated item
// current. OUTDIR/<code>.missing lists the native texts a source does not translate.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "langdata/LangFileWriter.h"
#include "langdata/LangPack.h"
#include "langdata/LangSource.h"
#include "langdata/LocLangFile.h"
#include "locstore/KLocales.h"
#include "locstore/LocStorage.h"
#include "modres/ModuleSettings.h"
#include "modres/WinResProc.h"
#include "platform/rtl/Streams.h"

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::cerr << "usage: make_extra_languages IMAGE OUTDIR SOURCE...\n";
        return 2;
    }
    try {
        const std::string outDir = argv[2];
        rtl::TMemoryStream imageStream;
        imageStream.LoadFromFile(argv[1]);
        modres::TResProcessor image;
        image.LoadFromImage(argv[1], imageStream.TakeBytes());
        modres::TResRCData* rcdata = image.FindRCData();
        modres::TResRCDataItem* packItem = rcdata ? rcdata->FindItem(modres::kLangPackName) : nullptr;
        if (!packItem) {
            // The program has no pack yet: nothing to number the examples against.
            std::cout << "make_extra_languages: the program image holds no language pack\n";
            return 0;
        }
        rtl::TMemoryStream pack;
        packItem->SaveData(pack);
        rtl::TMemoryStream nativeFile;
        if (!langdata::ReadLanguagePack(pack.View(), 0, 0, &nativeFile)) throw rtl::Exception("no native language");

        for (int i = 3; i < argc; ++i) {
            locstore::TLocStorage store;
            nativeFile.SetPosition(0);
            langdata::TLangFile native;
            native.LoadFromStream(nativeFile, &store, 0, -1);

            locstore::TLocStorage parsed;
            langdata::TLangFileHeader header = langdata::ParseLangSource(ReadText(argv[i]), argv[i], parsed);
            auto bytes = langdata::MakeLanguageFile(header, parsed, 0);
            rtl::TReadOnlyStream in(bytes);
            const int slot = store.AddLanguage(0, header.LanguageId);
            langdata::TLangFile translation;
            translation.LoadFromStream(in, &store, langdata::lroMatchByName, slot);

            std::ostringstream missing;
            auto settle = [&](locstore::TLocItem* item, const std::string& where) {
                locstore::TLocValue* value = item->Values().Value(slot);
                if (value->Revision() >= 0)
                    value->SetRevision(item->BaseValue()->Revision());
                else if (!item->BaseValue()->Text().empty())
                    missing << where << "\n";
            };
            locstore::TLinearConstantList constants;
            store.Units().CollectConstants(constants, false);
            for (int c = 0; c < constants.Count(); ++c) {
                auto* constant = constants.ItemAt(c);
                settle(constant, constant->Parent()->Name() + "." + constant->Name());
            }
            locstore::TLinearPropertyList properties;
            store.Forms().CollectProperties(properties, false);
            for (int p = 0; p < properties.Count(); ++p) {
                auto* property = properties.ItemAt(p);
                const std::uint8_t kind = property->ValueKind();
                if (kind != locstore::lvkString && kind != locstore::lvkStrings) continue;
                std::string where = property->OwnerForm()->Name();
                if (property->Parent() != property->OwnerForm()) where += "." + property->Parent()->Name();
                settle(property, where + "." + property->Name());
            }

            header.Version = native.Version();
            header.BasedOnLanguageId = static_cast<std::uint16_t>(native.LanguageId());
            header.IsNative = false;
            header.MaxConstantId = native.MaxConstantId();
            header.MaxPropertyId = native.MaxPropertyId();
            header.MaxExternalId = native.MaxExternalId();
            const std::string code = locstore::LanguageAbbreviation(header.LanguageId);
            WriteBytes(outDir + "/Vlmrk." + code + ".lng", langdata::MakeLanguageFile(header, store, slot));
            std::ofstream(outDir + "/" + code + ".missing", std::ios::trunc) << missing.str();
        }
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "make_extra_languages: " << error.what() << "\n";
        return 2;
    }
}
