#include "langdata/LocLangFile.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "langdata/kcompress/kcompress.h"
#include "locstore/LocStorage.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/PackedStrings.h"
#include "platform/rtl/RtlConsts.h"

namespace langdata {

using namespace locstore;

// ---- header ---------------------------------------------------------------------------------

namespace {

void ReadHeaderFields(rtl::TStream& in, TLangFileHeader& h) {
    constexpr int kHeaderStrings = 5;  // header strings always have a 16-bit length
    if (in.ReadU16() != LangFileMagic)
        throw ELangFileError(ELangFileError::CreateRes, SLFInvalidFileFormat).WithCode("lng.header.magic");
    h = TLangFileHeader{};
    h.FormatVersion = in.ReadU16();
    if (h.FormatVersion == 0)
        throw ELangFileError(ELangFileError::CreateRes, SLFInvalidFileFormat).WithCode("lng.header.version");
    if (h.FormatVersion > LangFileMaxFormat)
        throw ELangFileError(ELangFileError::CreateRes, SLFNewerFormat).WithCode("lng.header.newer");
    const int v = h.FormatVersion;
    h.Version = in.ReadU32();
    if (v >= 5) h.Build = in.ReadU32();
    h.LanguageId = in.ReadU16();
    if (v >= 3) h.BasedOnLanguageId = in.ReadU16();
    h.EnglishName = rtl::ReadPackedString(in, kHeaderStrings);
    h.NativeName = rtl::ReadPackedWideString(in, kHeaderStrings);
    h.IsNative = in.ReadU16() != 0;
    if (v >= 2) h.Options = in.ReadU16();
    h.MaxConstantId = in.ReadU32();
    h.MaxPropertyId = in.ReadU32();
    if (v >= 7) h.MaxExternalId = in.ReadU32();
}

}  // namespace

void ReadLangFileHeader(rtl::TStream& in, TLangFileHeader& h) {
    rtl::WithReadErrorCode("lng.header.short", [&] { ReadHeaderFields(in, h); });
}

bool IsLZKLangStream(rtl::TStream& stream) { return IsLZKStream(stream); }

void DecompressLangStream(rtl::TStream& source, rtl::TStream& dest) { DecompressLZKStream(source, dest); }

// ---- TLangFile --------------------------------------------------------------------------------

TLangFile::TLangFile() { Reset(); }

TLangFile::TLangFile(const AnsiString& fileName, bool readOnly) {
    Reset();
    FileName_ = fileName;
    ReadOnly_ = readOnly;
    if (!FileName_.empty() && rtl::FileExists(FileName_)) ReadHeaderAtCreation();
}

TLangFile::~TLangFile() = default;  // no handle is ever kept open

void TLangFile::Reset() {
    FormatVersion_ = LangFileMaxFormat;
    LanguageId_ = 0;
    Version_ = 0;
    EnglishName_.clear();
    NativeName_.clear();
    IsNative_ = false;
    MaxConstantId_ = MaxPropertyId_ = MaxExternalId_ = 0;
    Modified_ = false;
    KeyboardLayout_ = 0;
    Options_ = 0;
    BasedOnLanguageId_ = 0;
    ReplacementLanguageId_ = 0;
    AskReplacement_ = true;
    Build_ = 0;
    FileHandle_ = -1;
    Compressed_ = false;
}

void TLangFile::StoreHeader(const TLangFileHeader& h) {
    FormatVersion_ = h.FormatVersion;
    Version_ = h.Version;
    Build_ = h.Build;
    LanguageId_ = h.LanguageId;
    BasedOnLanguageId_ = h.BasedOnLanguageId;
    EnglishName_ = h.EnglishName;
    NativeName_ = h.NativeName;
    IsNative_ = h.IsNative;
    Options_ = h.Options;
    MaxConstantId_ = h.MaxConstantId;
    MaxPropertyId_ = h.MaxPropertyId;
    MaxExternalId_ = h.MaxExternalId;
}

TLangFileHeader TLangFile::Header() const {
    TLangFileHeader h;
    h.FormatVersion = FormatVersion_;
    h.Version = Version_;
    h.Build = Build_;
    h.LanguageId = static_cast<std::uint16_t>(LanguageId_);
    h.BasedOnLanguageId = BasedOnLanguageId_;
    h.EnglishName = EnglishName_;
    h.NativeName = NativeName_;
    h.IsNative = IsNative_;
    h.Options = Options_;
    h.MaxConstantId = MaxConstantId_;
    h.MaxPropertyId = MaxPropertyId_;
    h.MaxExternalId = MaxExternalId_;
    return h;
}

void TLangFile::ReadHeaderAtCreation() {
    if (!ReadOnly_) {
        // The file counts as writable only when it can be opened so; nothing keeps it open.
        try {
            rtl::TFileStream probe(FileName_, rtl::TFileMode::fmOpenReadWrite);
        } catch (const rtl::EStreamError&) {
            ReadOnly_ = true;
        }
    }
    rtl::TFileStream file(FileName_, rtl::TFileMode::fmOpenRead);
    Compressed_ = IsLZKLangStream(file);
    if (!Compressed_) {
        TLangFileHeader h;
        file.SetPosition(0);
        ReadLangFileHeader(file, h);
        StoreHeader(h);
        return;
    }
    // Only the header is needed, and it lies well inside what a 2048-byte compressed prefix
    // yields. A header with very long names may not: then the whole file is decompressed.
    std::int64_t size = file.Size();
    rtl::TMemoryStream prefix(file.ReadBytes(std::min(size, LangFileHeaderPrefix)));
    rtl::TMemoryStream plain;
    DecompressLangStream(prefix, plain);
    plain.SetPosition(0);
    TLangFileHeader h;
    try {
        ReadLangFileHeader(plain, h);
    } catch (const rtl::EReadError&) {
        if (size <= LangFileHeaderPrefix) throw;
        file.SetPosition(0);
        rtl::TMemoryStream whole(file.ReadBytes(size));
        plain.Clear();
        DecompressLangStream(whole, plain);
        plain.SetPosition(0);
        ReadLangFileHeader(plain, h);
    }
    StoreHeader(h);
}

int TLangFile::ReadHeader(rtl::TStream& stream, bool discard) {
    stream.SetPosition(0);
    TLangFileHeader h;
    int end;
    if (IsLZKLangStream(stream)) {
        rtl::TMemoryStream plain;
        DecompressLangStream(stream, plain);
        plain.SetPosition(0);
        ReadLangFileHeader(plain, h);
        end = static_cast<int>(plain.Position());
    } else {
        stream.SetPosition(0);
        ReadLangFileHeader(stream, h);
        end = static_cast<int>(stream.Position());
    }
    if (!discard) StoreHeader(h);
    return end;
}

int TLangFile::PrepareStore(TLocStorage* store, int languageIndex) {
    if (store == nullptr) throw ELangFileError(ELangFileError::CreateRes, SLFInvalidLocStorage);
    if (languageIndex < 0) {
        store->Forms().Clear();
        store->Units().Clear();
        store->ExternalGroups().Clear();
        return 0;
    }
    if (languageIndex >= store->LanguageCount()) throw ELangFileError(ELangFileError::CreateRes, SLFInvalidIndex);
    return languageIndex;
}

void TLangFile::LoadFromStream(rtl::TStream& stream, TLocStorage* store, unsigned options, int languageIndex) {
    PrepareStore(store, languageIndex);
    ReadBody(stream, store, false, options, languageIndex);
}

void TLangFile::LoadFromFile(TLocStorage* store, int languageIndex, unsigned options) {
    PrepareStore(store, languageIndex);
    rtl::TMemoryStream bytes;
    {
        rtl::TFileStream file(FileName_, rtl::TFileMode::fmOpenRead);
        bytes.LoadFromStream(file);
    }
    ReadBody(bytes, store, true, options, languageIndex);
}

}  // namespace langdata

// ---- body -----------------------------------------------------------------------------------

namespace langdata {

namespace {

// One pass over a body. Records are read whole before the store is touched, so a file cut short
// leaves only complete items behind.
class TBodyReader {
public:
    TBodyReader(rtl::TStream& in, TLocStorage& store, int formatVersion, unsigned options, int languageIndex,
                std::uint16_t languageId, std::uint32_t version)
        : in_(in), store_(store), fv_(formatVersion), options_(options), slot_(languageIndex),
          structure_(languageIndex < 0), languageId_(languageId), version_(static_cast<std::int32_t>(version)) {
        if (!structure_) {
            // Views for matching by id (halving search) or by name; built once for the pass.
            store_.Units().CollectConstants(constants_, true);
            store_.Forms().CollectProperties(properties_, true);
            store_.ExternalGroups().CollectEntries(entries_, true);
        }
    }

    void ReadUnits(std::uint32_t& maxId);
    void ReadForms(std::uint32_t& maxId);
    void ReadGroups(std::uint32_t& maxId);

private:
    std::uint16_t ReadFlags() { return fv_ >= 2 ? in_.ReadU16() : 0; }
    AnsiString ReadName() { return rtl::ReadPackedString(in_, fv_); }
    void SkipValue(std::uint8_t kind);
    void ReadProperty(TLocComponent* owner, const AnsiString& formName, const AnsiString& componentName,
                      std::uint32_t& maxId);
    void Apply(TLocItem* item, TLocValue* value, const WideString* text, std::int32_t revision, bool revisionFollowsVersion,
               std::uint64_t stamp, std::uint16_t flags);

    rtl::TStream& in_;
    TLocStorage& store_;
    int fv_;
    unsigned options_;
    int slot_;
    bool structure_;
    std::uint16_t languageId_;
    std::int32_t version_;
    TLinearConstantList constants_;
    TLinearPropertyList properties_;
    TLinearExternalList entries_;
};

void TBodyReader::Apply(TLocItem* item, TLocValue* value, const WideString* text, std::int32_t revision,
                        bool revisionFollowsVersion, std::uint64_t stamp, std::uint16_t flags) {
    if (text) value->SetText(*text);
    // An untranslated base text has no revision of its own: it takes the project version.
    if (structure_ && revision < 0 && revisionFollowsVersion) revision = version_;
    value->SetStamp(stamp);
    value->SetRevision(revision);
    value->SetFlagWord(flags);
    value->SetLanguageId(languageId_);
    if (item->BaseValue()->Revision() > value->Revision() && value->HasFlags(lvfUseOutdated))
        value->SetFlags(lvfUseOutdated, false);
}

void TBodyReader::SkipValue(std::uint8_t kind) {
    if (fv_ <= 3 && kind != lvkString && kind != lvkStrings) return;
    std::int64_t bytes = 0;
    switch (kind) {
        case lvkFloat: bytes = 8; break;
        case lvkInteger: bytes = 4; break;
        case lvkString:
        case lvkStrings: bytes = std::int64_t{rtl::ReadPackedLength(in_, fv_)} * 2; break;
        default: return;
    }
    if (bytes > in_.Remaining()) throw rtl::EReadError(rtl::EReadError::CreateRes, rtl::SReadError);
    in_.Seek(bytes, rtl::TSeekOrigin::soCurrent);
}

void TBodyReader::ReadUnits(std::uint32_t& maxId) {
    const bool byName = (options_ & lroMatchByName) != 0;
    std::uint16_t unitCount = in_.ReadU16();
    for (int u = 0; u < unitCount; ++u) {
        AnsiString unitName = ReadName();
        std::uint16_t unitFlags = ReadFlags();
        TLocUnit* unit = nullptr;
        if (structure_) {
            unit = store_.Units().FindOrAdd(unitName);
            unit->SetFlags(unitFlags);
        }
        std::uint16_t count = in_.ReadU16();
        for (int c = 0; c < count; ++c) {
            AnsiString name = ReadName();
            std::uint16_t flags = ReadFlags();
            std::uint16_t resourceId = in_.ReadU16();
            std::uint32_t id = in_.ReadU32();
            WideString text = rtl::ReadPackedWideString(in_, fv_);
            std::int32_t revision = in_.ReadI32();
            std::uint64_t stamp = in_.ReadU64();
            maxId = std::max(maxId, id);

            TLocConstant* constant = nullptr;
            TLocValue* value = nullptr;
            if (structure_) {
                std::int32_t useId = static_cast<std::int32_t>(id);
                if ((options_ & lroReplaceIds) != 0 && store_.FindConstantById(useId)) useId = 0;
                constant = unit->Constants().FindOrAdd(useId, name, resourceId);
                value = constant->BaseValue();
            } else {
                int index = byName ? constants_.IndexOfName(unitName, name)
                                   : constants_.IndexOfId(static_cast<std::int32_t>(id));
                if (index < 0) continue;
                constant = constants_.ItemAt(index);
                value = constant->Values().Value(slot_);
            }
            Apply(constant, value, &text, revision, true, stamp, flags);
        }
    }
}

void TBodyReader::ReadProperty(TLocComponent* owner, const AnsiString& formName, const AnsiString& componentName,
                               std::uint32_t& maxId) {
    AnsiString name = ReadName();
    std::uint16_t flags = ReadFlags();
    std::uint32_t id = in_.ReadU32();
    // The kind is the low byte; the upper bytes are unused.
    std::uint8_t kind = static_cast<std::uint8_t>(in_.ReadU32());
    maxId = std::max(maxId, id);

    TLocProperty* property = nullptr;
    if (structure_) {
        std::int32_t useId = static_cast<std::int32_t>(id);
        if ((options_ & lroReplaceIds) != 0 && store_.FindPropertyById(useId)) useId = 0;
        property = owner->Properties().FindOrAdd(useId, name, kind);
    } else {
        int index = (options_ & lroMatchByName) != 0 ? properties_.IndexOfName(formName, componentName, name)
                                                      : properties_.IndexOfId(static_cast<std::int32_t>(id));
        if (index >= 0) property = properties_.ItemAt(index);
    }
    // A record for an item of another kind is read by its own kind and dropped, so the reader
    // stays in step with the file; the item keeps what it had. This holds for a structure load
    // too, where a second record may name an existing property with another kind.
    if (property == nullptr || property->ValueKind() != kind) {
        SkipValue(kind);
        in_.ReadI32();
        in_.ReadU64();
        return;
    }
    TLocValue* value = structure_ ? property->BaseValue() : property->Values().Value(slot_);
    value->LoadFromStream(in_, fv_);
    std::int32_t revision = in_.ReadI32();
    std::uint64_t stamp = in_.ReadU64();
    Apply(property, value, nullptr, revision, true, stamp, flags);
}

void TBodyReader::ReadForms(std::uint32_t& maxId) {
    std::uint16_t formCount = in_.ReadU16();
    for (int f = 0; f < formCount; ++f) {
        AnsiString formName = ReadName();
        std::uint16_t formFlags = ReadFlags();
        TLocForm* form = nullptr;
        if (structure_) {
            form = store_.Forms().FindOrAdd(formName);
            form->SetFlags(formFlags);
        }
        std::uint16_t propertyCount = in_.ReadU16();
        for (int p = 0; p < propertyCount; ++p) ReadProperty(form, formName, AnsiString(), maxId);
        std::uint16_t componentCount = in_.ReadU16();
        for (int c = 0; c < componentCount; ++c) {
            AnsiString componentName = ReadName();
            std::uint16_t componentFlags = ReadFlags();
            TLocComponent* component = nullptr;
            if (structure_) {
                component = form->Components().FindOrAdd(componentName);
                component->SetFlags(componentFlags);
            }
            std::uint16_t count = in_.ReadU16();
            for (int p = 0; p < count; ++p) ReadProperty(component, formName, componentName, maxId);
        }
    }
}

void TBodyReader::ReadGroups(std::uint32_t& maxId) {
    std::uint16_t groupCount = in_.ReadU16();
    for (int g = 0; g < groupCount; ++g) {
        AnsiString groupName = ReadName();
        std::uint16_t groupFlags = in_.ReadU16();  // present in every format that has groups
        TLocExtGroup* group = nullptr;
        if (structure_) {
            group = store_.ExternalGroups().FindOrAdd(groupName);
            group->SetFlags(groupFlags);
        }
        std::uint16_t count = in_.ReadU16();
        for (int e = 0; e < count; ++e) {
            AnsiString name = ReadName();
            std::uint16_t flags = in_.ReadU16();
            std::uint32_t id = in_.ReadU32();
            WideString text = rtl::ReadPackedWideString(in_, fv_);
            std::int32_t revision = in_.ReadI32();
            std::uint64_t stamp = in_.ReadU64();
            maxId = std::max(maxId, id);

            TLocExtItem* entry = nullptr;
            TLocValue* value = nullptr;
            if (structure_) {
                entry = group->Entries().FindOrAdd(static_cast<std::int32_t>(id), name);
                value = entry->BaseValue();
            } else {
                if ((options_ & lroMatchByName) != 0) {
                    entry = store_.FindEntry(groupName, name);
                } else {
                    int index = entries_.IndexOfId(static_cast<std::int32_t>(id));
                    if (index >= 0) entry = entries_.ItemAt(index);
                }
                if (entry == nullptr) continue;
                value = entry->Values().Value(slot_);
            }
            // External entries keep a negative revision even in a structure load.
            Apply(entry, value, &text, revision, false, stamp, flags);
        }
    }
}

// Gives every item with Id 0 the next id above maxId, in id order (the unnumbered come first).
template <class View>
void NumberNewItems(View& view, std::uint32_t& maxId) {
    for (int i = 0; i < view.Count(); ++i) {
        auto* item = view.ItemAt(i);
        if (item->Id() == 0) item->SetId(static_cast<std::int32_t>(++maxId));
    }
}

}  // namespace

void TLangFile::ReadBody(rtl::TStream& stream, TLocStorage* store, bool discard, unsigned options,
                         int languageIndex) {
    if (store == nullptr) throw ELangFileError(ELangFileError::CreateRes, SLFInvalidLocStorage);
    if (languageIndex >= store->LanguageCount()) throw ELangFileError(ELangFileError::CreateRes, SLFInvalidIndex);

    rtl::TStream* in = &stream;
    rtl::TMemoryStream plain;
    stream.SetPosition(0);
    if (IsLZKLangStream(stream)) {
        DecompressLangStream(stream, plain);
        Compressed_ = true;
        in = &plain;
    }
    in->SetPosition(0);
    TLangFileHeader header;
    ReadLangFileHeader(*in, header);
    if (!discard) StoreHeader(header);

    const bool structure = languageIndex < 0;
    if (structure) store->SetBaseLanguage(static_cast<std::uint16_t>(LanguageId_));
    // The format of the bytes at hand decides how they are read, whatever was known before.
    TBodyReader reader(*in, *store, header.FormatVersion, options, languageIndex,
                       static_cast<std::uint16_t>(LanguageId_), Version_);

    std::uint32_t maxSeen = 0;
    rtl::WithReadErrorCode("lng.units.short", [&] { reader.ReadUnits(maxSeen); });
    MaxConstantId_ = std::max(MaxConstantId_, maxSeen);
    if (structure) {
        TLinearConstantList view;
        store->Units().CollectConstants(view, true);
        NumberNewItems(view, MaxConstantId_);
    }

    maxSeen = 0;
    rtl::WithReadErrorCode("lng.forms.short", [&] { reader.ReadForms(maxSeen); });
    MaxPropertyId_ = std::max(MaxPropertyId_, maxSeen);
    if (structure) {
        TLinearPropertyList view;
        store->Forms().CollectProperties(view, true);
        NumberNewItems(view, MaxPropertyId_);
    }

    if (header.FormatVersion >= 7) {
        maxSeen = 0;
        rtl::WithReadErrorCode("lng.groups.short", [&] { reader.ReadGroups(maxSeen); });
        MaxExternalId_ = std::max(MaxExternalId_, maxSeen);
    }
    if (structure) {
        TLinearExternalList view;
        store->ExternalGroups().CollectEntries(view, true);
        NumberNewItems(view, MaxExternalId_);
    }
}

}  // namespace langdata
