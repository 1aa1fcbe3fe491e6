// Fuzz target for the readers of module images: the image reader's whole tree, the module
// loader's resource index, the resource processor (read, then written again), the string-block
// decoder and the settings record reader. It also holds the two readers to their promise: where
// no section is named ".rsrc" both find the tree through the data directory, and a module whose
// resources the loader accepts is read by the processor without an error.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "modres/ModuleSettings.h"
#include "modres/PEReader.h"
#include "modres/WinResProc.h"
#include "platform/winres/ResourceDirectory.h"
#include "platform/winres/StringBlock.h"

namespace {

void Walk(modres::TPEResourceList* list) {
    for (int i = 0; i < list->Count(); ++i) {
        auto* item = list->ItemAt(i);
        item->GetName();
        if (item->IsList()) Walk(item->GetList());
        else item->DataBytes();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    try {
        modres::TPEReader reader("fuzz", bytes);
        Walk(reader.GetResourceList());
    } catch (const rtl::Exception&) {
    }
    bool loaderAccepts = false;
    winres::TPEHeaders headers;
    if (winres::ParsePEHeaders(bytes, headers) == winres::TPEStatus::Ok) {
        std::vector<winres::TResourceEntry> entries;
        winres::TResourceSection where;
        loaderAccepts = winres::IndexResources(bytes, headers, entries) == winres::TDirFault::None &&
                        winres::FindResourcesByDirectory(headers, bytes, where) == winres::TResourceLookup::Found &&
                        !winres::FindSectionByName(headers, ".rsrc");
    }
    try {
        modres::TResProcessor proc;
        proc.LoadFromImage("fuzz", bytes);
        rtl::TMemoryStream out;
        proc.SaveToStream(out);
    } catch (const rtl::Exception& e) {
        if (loaderAccepts) {  // the module builder would refuse what the loader takes
            std::fprintf(stderr, "%s\n", e.Message().c_str());
            std::abort();
        }
    }
    for (int position = 0; position < winres::kStringsPerBlock; ++position) winres::StringInBlock(bytes, position);
    try {
        rtl::TReadOnlyStream stream(bytes);
        modres::TSettingsRecord record;
        modres::ReadSettingsRecord(stream, record);
    } catch (const rtl::Exception&) {
    }
    return 0;
}
