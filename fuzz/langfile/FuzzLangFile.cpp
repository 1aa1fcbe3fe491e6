// The language file reader on hostile bytes: a structure load into an empty store, then the same
// bytes as a translation into a second slot of a store that holds a small structure.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "langdata/LangFileWriter.h"
#include "langdata/LocLangFile.h"
#include "locstore/LocStorage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    try {
        locstore::TLocStorage store;
        langdata::TLangFile file;
        rtl::TMemoryStream in(bytes);
        file.LoadFromStream(in, &store, 0, -1);
    } catch (const rtl::Exception&) {
    }
    for (unsigned options : {0u, langdata::lroMatchByName}) {
        locstore::TLocStorage store;
        store.Units().FindOrAdd("PrjConst")->Constants().FindOrAdd(1, "SReady", 65239);
        store.Forms().FindOrAdd("Form1")->Properties().FindOrAdd(1, "Caption", locstore::lvkString);
        store.ExternalGroups().FindOrAdd("G")->Entries().FindOrAdd(1, "E");
        int slot = store.AddLanguage(0, 10);
        try {
            langdata::TLangFile file;
            rtl::TMemoryStream in(bytes);
            file.LoadFromStream(in, &store, options, slot);
        } catch (const rtl::Exception&) {
        }
    }
    return 0;
}
