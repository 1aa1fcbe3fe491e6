// The PO reader on hostile bytes, then the mapping onto a small store: the header's language,
// the import into a translation slot, the statistics, and the writer on whatever was read.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "langdata/LangPo.h"
#include "langdata/PoFile.h"
#include "locstore/LocStorage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        langdata::TPoFile po = langdata::ParsePo(text, "fuzz.po");
        langdata::CountPo(po);
        langdata::ParsePo(langdata::WritePo(po), "again.po");

        locstore::TLocStorage store;
        store.SetBaseLanguage(9);
        store.Units().FindOrAdd("PrjConst")->Constants().FindOrAdd(1, "SReady", 65239)->BaseValue()->SetText(u"Ready %s");
        store.Forms().FindOrAdd("Form1")->Properties().FindOrAdd(1, "Caption", locstore::lvkString);
        store.Forms().FindOrAdd("Form1")->Components().FindOrAdd("mmo1")->Properties().FindOrAdd(
            2, "Lines.Strings", locstore::lvkStrings);
        store.ExternalGroups().FindOrAdd("G")->Entries().FindOrAdd(1, "E");
        langdata::TLangFileHeader base;
        base.LanguageId = 9;
        langdata::TLangFileHeader header = langdata::PoLanguageHeader(po, base, "fuzz.po");
        int slot = store.AddLanguage(0, header.LanguageId);
        langdata::ImportPo(po, store, slot, "fuzz.po");
        langdata::WritePo(langdata::ExportPo(store, base, slot, &header));
    } catch (const rtl::Exception&) {
    }
    return 0;
}
