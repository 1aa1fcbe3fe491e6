// The language pack reader on hostile bytes: the directory, the first language, a language by id
// and the layout used by the tool.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "langdata/LangPack.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> pack(data, size);
    for (std::uint32_t id : {0u, 10u, 12u}) {
        try {
            rtl::TMemoryStream dest;
            std::vector<langdata::TLangPackEntry> dir;
            langdata::ReadLanguagePack(pack, id, 0, &dest, &dir);
        } catch (const rtl::Exception&) {
        }
    }
    try {
        langdata::ReadLangPackLayout(pack);
    } catch (const rtl::Exception&) {
    }
    return 0;
}
