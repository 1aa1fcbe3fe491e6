// Fuzz target for the readers of module images: the image reader's whole tree, the module
// loader's resource index, the resource processor (read, then written again) and the settings
// record reader.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "modres/ModuleSettings.h"
#include "modres/PEReader.h"
#include "modres/WinResProc.h"
#include "platform/winres/PEImage.h"

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
    winres::TPEHeaders headers;
    if (winres::ParsePEHeaders(bytes, headers) == winres::TPEStatus::Ok) {
        std::vector<winres::TResourceEntry> entries;
        std::string error;
        winres::ReadResourceIndex(bytes, headers, entries, error);
    }
    try {
        modres::TResProcessor proc;
        proc.LoadFromImage("fuzz", bytes);
        rtl::TMemoryStream out;
        proc.SaveToStream(out);
    } catch (const rtl::Exception&) {
    }
    try {
        rtl::TReadOnlyStream stream(bytes);
        modres::TSettingsRecord record;
        modres::ReadSettingsRecord(stream, record);
    } catch (const rtl::Exception&) {
    }
    return 0;
}
