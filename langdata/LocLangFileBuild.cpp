// TLangFile, the module builder: language modules from the native resources and a loaded store.

#include <cstring>

#include "langdata/LocLangFile.h"
#include "locstore/LocStorage.h"
#include "modres/LocFormProc.h"
#include "modres/ModuleSettings.h"
#include "modres/WinResProc.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/PackedStrings.h"

namespace langdata {

using modres::TResProcessor;
using modres::TResRCData;
using modres::TResRCDataItem;

void TLangFile::BuildLanguageModule(std::optional<winres::HMODULE> nativeModule, const AnsiString& moduleFileName,
                                    locstore::TLocStorage* store, const AnsiString& nativeFileName,
                                    bool flushNow) const {
    rtl::TMemoryStream image;
    WriteLanguageModule(nativeModule, image, store, nativeFileName);
    // Written beside the old module and renamed over it: a module on disk is complete (or, after
    // a system crash before its flush, does not read and is built again).
    if (flushNow) rtl::SaveFileAtomically(moduleFileName, image.View());
    else rtl::SaveFileAtomicallyUnflushed(moduleFileName, image.View());
}

void TLangFile::WriteLanguageModule(std::optional<winres::HMODULE> nativeModule, rtl::TStream& dest,
                                    locstore::TLocStorage* store, const AnsiString& nativeFileName) const {
    auto processor = std::make_unique<TResProcessor>();
    // A language module carries neither the program's settings nor the language pack.
    if (nativeModule && store) processor->LoadFromModule(*nativeModule, {modres::kExeSettingsName, modres::kLangPackName});
    else if (nativeModule) processor->LoadFromModule(*nativeModule);
    else processor->LoadFromFile(nativeFileName);
    // Taken before anything is translated: the module must name the resources it was made from.
    const std::uint16_t fingerprint = modres::LoadedResourcesFingerprint(*processor);

    std::uint16_t copiedWord = modres::kNativeCopiedWord;
    if (store) {
        if (!ReadNativeSettings(*processor, copiedWord))
            throw ELangFileError(ELangFileError::CreateRes, SLFInvalidNativeDLL).WithCode("rec.native.invalid");
        TranslateResources(*processor, *store);
        RemovePackResources(*processor);
        WriteSettings(*processor, copiedWord, fingerprint);
    } else {
        WriteSettings(*processor, modres::kNativeCopiedWord, fingerprint);
    }
    processor->SaveToStream(dest);
}

bool TLangFile::ReadNativeSettings(TResProcessor& processor, std::uint16_t& copiedWord) const {
    TResRCDataItem* item = nullptr;
    try {
        if (TResRCData* rcdata = processor.FindRCData()) item = rcdata->FindItem(modres::kLibSettingsName);
    } catch (const rtl::Exception&) {
        item = nullptr;
    }
    if (!item) return false;

    rtl::TMemoryStream record;
    item->SaveData(record);
    record.SetPosition(0);
    if (record.Size() < 4) return false;
    char magic[4];
    record.ReadBuffer(magic, 4);
    if (std::memcmp(magic, modres::kLibSettingsMagic, 4) != 0) return false;
    rtl::WithReadErrorCode("rec.header.short", [&] {
        record.ReadU32();  // Version
        record.ReadU16();  // LanguageId
    });
    rtl::WithReadErrorCode("rec.names.short", [&] {
        rtl::ReadPackedString(record, 5);      // EnglishName
        rtl::ReadPackedWideString(record, 5);  // NativeName
    });
    copiedWord = rtl::WithReadErrorCode("rec.copied.short", [&] { return record.ReadU16(); });
    return true;
}

void TLangFile::TranslateResources(TResProcessor& processor, locstore::TLocStorage& store) const {
    if (modres::TResString* strings = processor.FindStrings()) {
        locstore::TLinearConstantList constants;
        store.Units().CollectConstants(constants, false);
        const bool useOutdated = HasOption(lfoUseOutdated);
        for (int i = 0; i < constants.Count(); ++i) {
            locstore::TLocConstant* constant = constants.ItemAt(i);
            if (constant->ResourceId() > 0xFFFF) continue;  // string ids are 16-bit
            const int index = strings->IndexOfId(static_cast<std::int32_t>(constant->ResourceId()));
            if (index < 0) continue;
            const locstore::TLocValue* value = constant->Values().Value(LanguageIndex_);
            const locstore::TLocValue* base = constant->BaseValue();
            const bool current = value->Revision() == base->Revision() || useOutdated;
            strings->ItemAt(index)->Text = current ? value->Text() : base->Text();
        }
    }

    modres::TLocFormProcessor forms;
    forms.ProcessBiDiMode = HasOption(lfoBiDiMode);
    forms.ShowUntranslatedAsIs = HasOption(lfoUseOutdated);
    forms.Store = &store;
    for (int i = 0; i < store.Forms().Count(); ++i) forms.ProjectForms.push_back(store.Forms().ItemAt(i)->Name());
    forms.LanguageIndex = LanguageIndex_;
    forms.LanguageId = static_cast<std::uint16_t>(LanguageId_);
    forms.ProcessForms(processor);
}

void TLangFile::RemovePackResources(TResProcessor& processor) const {
    if (TResRCData* rcdata = processor.FindRCData()) {
        rcdata->RemoveItem(modres::kExeSettingsName);
        rcdata->RemoveItem(modres::kLangPackName);
    }
}

void TLangFile::WriteSettings(TResProcessor& processor, std::uint16_t copiedWord, std::uint16_t reserved) const {
    TResRCData* rcdata = processor.FindRCData();
    if (!rcdata) {
        processor.AddBlock(std::make_unique<TResRCData>(&processor));
        rcdata = processor.FindRCData();
    }

    rtl::TMemoryStream work;
    TResRCDataItem* item = rcdata->FindItem(modres::kLibSettingsName);
    const bool added = item == nullptr;
    if (item) {
        item->SaveData(work);
    } else {
        try {
            item = rcdata->AddItem(modres::kLibSettingsName, false);
        } catch (const rtl::Exception&) {
            item = nullptr;
        }
        if (!item) throw ELangFileError(ELangFileError::CreateRes, SLFErrorSavingDLL);
        if (item->Name != modres::kLibSettingsName)
            throw ELangFileError(AnsiString(kLFNameNotSaved) + modres::kLibSettingsName);
    }

    work.SetPosition(0);
    work.WriteBuffer(modres::kLibSettingsMagic, 4);
    if (added) work.WriteU32(Version_);
    else work.SetPosition(8);  // the native record's Version stays
    work.WriteU16(static_cast<std::uint16_t>(LanguageId_));
    rtl::WritePackedString(work, EnglishName_, 5);
    rtl::WritePackedWideString(work, NativeName_, 5);
    work.WriteU16(copiedWord);
    work.WriteU16(reserved);
    work.WriteU32(Build_);
    // One pad byte ends the record; whatever an older, longer record left behind is cut off.
    work.SetSize(work.Position() + 1);
    work.WriteU8(0);
    item->LoadData(work);
}

}  // namespace langdata
