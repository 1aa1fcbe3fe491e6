#include "modres/ModuleSettings.h"

#include <algorithm>

#include "modres/WinResProc.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/PackedStrings.h"

namespace modres {

void ReadSettingsRecord(rtl::TStream& stream, TSettingsRecord& record) {
    stream.SetPosition(0);
    rtl::WithReadErrorCode("rec.header.short", [&] {
        auto magic = stream.ReadBytes(4);
        record.Magic.assign(magic.begin(), magic.end());
        record.Version = stream.ReadU32();
        record.LanguageId = stream.ReadU16();
    });
    rtl::WithReadErrorCode("rec.names.short", [&] {
        auto english = stream.ReadBytes(stream.ReadU16());
        record.EnglishName.assign(english.begin(), english.end());
        std::uint16_t nativeLength = stream.ReadU16();
        record.NativeName = rtl::ReadWideChars(stream, nativeLength);
    });
    const std::int64_t after = stream.Position();
    const std::int64_t size = stream.Size();
    record.CopiedWord.reset();
    record.Reserved.reset();
    if (after + 2 <= size) record.CopiedWord = stream.ReadU16();
    if (after + 4 <= size) record.Reserved = stream.ReadU16();
    if (after + 4 < size) {
        stream.SetPosition(after + 4);
        record.Build = rtl::WithReadErrorCode("rec.build.short", [&] { return stream.ReadU32(); });
        record.HasBuild = true;
    } else {
        record.Build = 0;
        record.HasBuild = false;
    }
}

std::vector<std::uint8_t> WriteSettingsRecord(const AnsiString& magic, std::uint32_t version, std::uint16_t languageId,
                                              const AnsiString& englishName, const WideString& nativeName,
                                              std::uint16_t copiedWord, std::uint16_t reserved, std::uint32_t build) {
    rtl::TMemoryStream out;
    AnsiString m = magic.substr(0, 4);
    m.resize(4, '\0');
    out.WriteBuffer(m.data(), 4);
    out.WriteU32(version);
    out.WriteU16(languageId);
    AnsiString english = englishName.substr(0, 0xFFFF);
    out.WriteU16(static_cast<std::uint16_t>(english.size()));
    out.WriteBuffer(english.data(), static_cast<std::int64_t>(english.size()));
    WideString native = nativeName.substr(0, 0xFFFF);
    out.WriteU16(static_cast<std::uint16_t>(native.size()));
    rtl::WriteWideChars(out, native);
    out.WriteU16(copiedWord);
    out.WriteU16(reserved);
    out.WriteU32(build);
    out.WriteU8(0);
    return out.TakeBytes();
}

namespace {

struct TFnv {
    std::uint32_t Hash = 2166136261u;
    void Byte(std::uint8_t b) {
        Hash ^= b;
        Hash *= 16777619u;
    }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) Byte(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void Bytes(std::span<const std::uint8_t> bytes) {
        U32(static_cast<std::uint32_t>(bytes.size()));
        for (auto b : bytes) Byte(b);
    }
};

bool IsForm(const TResRCDataItem& item) {
    auto bytes = item.Data->View();
    return bytes.size() >= 4 && bytes[0] == 'T' && bytes[1] == 'P' && bytes[2] == 'F' && bytes[3] == '0';
}

}  // namespace

std::uint16_t NativeResourcesFingerprint(const TResProcessor& processor) {
    TFnv fnv;
    if (const TResString* strings = processor.FindStrings()) {
        for (const auto& item : strings->Strings) {
            fnv.U32(static_cast<std::uint32_t>(item->Id));
            fnv.U32(static_cast<std::uint32_t>(item->Text.size()));
            for (char16_t c : item->Text) {
                fnv.Byte(static_cast<std::uint8_t>(c));
                fnv.Byte(static_cast<std::uint8_t>(c >> 8));
            }
        }
    }
    fnv.U32(0xFFFFFFFFu);  // separates the strings from the forms
    if (const TResRCData* rcdata = processor.FindRCData()) {
        std::vector<const TResRCDataItem*> forms;
        for (const auto& item : rcdata->Items)
            if (IsForm(*item)) forms.push_back(item.get());
        std::stable_sort(forms.begin(), forms.end(), [](const TResRCDataItem* a, const TResRCDataItem* b) {
            return rtl::UpperCase(a->Name) < rtl::UpperCase(b->Name);
        });
        for (const auto* form : forms) {
            AnsiString name = rtl::UpperCase(form->Name);
            fnv.Bytes({reinterpret_cast<const std::uint8_t*>(name.data()), name.size()});
            fnv.Bytes(form->Data->View());
        }
    }
    auto folded = static_cast<std::uint16_t>((fnv.Hash >> 16) ^ (fnv.Hash & 0xFFFF));
    return folded == 0 ? 1 : folded;
}

std::uint16_t LoadedResourcesFingerprint(const TResProcessor& justLoaded) {
    if (justLoaded.LoadedFrom == winres::AppInstance()) {
        const auto bytes = winres::ResourceBytes(winres::AppInstance(), kExeSettingsName, winres::RT_RCDATA);
        TSettingsRecord record;
        try {
            rtl::TReadOnlyStream stream(bytes);
            ReadSettingsRecord(stream, record);
        } catch (const rtl::Exception&) {
            record = {};
        }
        const bool programRecord = record.Magic == AnsiString(kExeSettingsMagic, 4);
        if (programRecord && record.Reserved && *record.Reserved != 0) return *record.Reserved;
    }
    return NativeResourcesFingerprint(justLoaded);
}

void AddProgramSettings(TResProcessor& processor) {
    TResRCData* rcdata = processor.FindRCData();
    if (!rcdata) {
        processor.AddBlock(std::make_unique<TResRCData>(&processor));
        rcdata = processor.FindRCData();
    }
    rcdata->RemoveItem(kExeSettingsName);
    rcdata->RemoveItem(kLibSettingsName);
    const std::uint16_t fingerprint = NativeResourcesFingerprint(processor);
    const WideString english = u"English";
    for (auto [name, magic] : {std::pair{kExeSettingsName, kExeSettingsMagic}, std::pair{kLibSettingsName, kLibSettingsMagic}}) {
        auto bytes = WriteSettingsRecord(magic, kProjectVersion, kNativeLanguageId, "English", english, kNativeCopiedWord,
                                         fingerprint, 0);
        rcdata->AddItem(name, false)->Data->WriteBytes(bytes);
    }
}

}  // namespace modres
