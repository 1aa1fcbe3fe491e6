#include "langdata/LangFileWriter.h"

#include <bit>
#include <charconv>
#include <string>

#include "langdata/kcompress/kcompress.h"
#include "locstore/LocStorage.h"
#include "platform/rtl/PackedStrings.h"
#include "platform/rtl/RtlConsts.h"

namespace langdata {

using namespace locstore;

namespace {

// The value text as plain ASCII without surrounding blanks; a decimal comma counts as a point.
std::string NumberText(const WideString& text) {
    std::string ascii;
    for (char16_t ch : text) {
        if (ch > 0x7F) return std::string();
        ascii += ch == u',' ? '.' : static_cast<char>(ch);
    }
    auto first = ascii.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    auto last = ascii.find_last_not_of(" \t\r\n");
    return ascii.substr(first, last - first + 1);
}

template <class T>
T ParseNumber(const WideString& text) {
    std::string s = NumberText(text);
    T value{};
    const char* begin = s.data();
    if (!s.empty() && s[0] == '+') ++begin;
    auto [end, ec] = std::from_chars(begin, s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return T{};
    return value;
}

}  // namespace

TLangFileWriter::TLangFileWriter(rtl::TStream& out, int formatVersion) : out_(out), fv_(formatVersion) {
    if (formatVersion < 1 || formatVersion > LangFileMaxFormat)
        throw ELangFileError(ELangFileError::CreateResFmt, SLWBadFormat, {formatVersion});
}

void TLangFileWriter::WriteHeader(const TLangFileHeader& h) {
    constexpr int kHeaderStrings = 5;
    out_.WriteU16(LangFileMagic);
    out_.WriteU16(static_cast<std::uint16_t>(fv_));
    out_.WriteU32(h.Version);
    if (fv_ >= 5) out_.WriteU32(h.Build);
    out_.WriteU16(h.LanguageId);
    if (fv_ >= 3) out_.WriteU16(h.BasedOnLanguageId);
    rtl::WritePackedString(out_, h.EnglishName, kHeaderStrings);
    rtl::WritePackedWideString(out_, h.NativeName, kHeaderStrings);
    out_.WriteU16(h.IsNative ? 1 : 0);
    if (fv_ >= 2) out_.WriteU16(h.Options);
    out_.WriteU32(h.MaxConstantId);
    out_.WriteU32(h.MaxPropertyId);
    if (fv_ >= 7) out_.WriteU32(h.MaxExternalId);
}

void TLangFileWriter::WriteContainer(const AnsiString& name, std::uint16_t flags) {
    rtl::WritePackedString(out_, name, fv_);
    if (fv_ >= 2) out_.WriteU16(flags);
}

void TLangFileWriter::WriteGroup(const AnsiString& name, std::uint16_t flags) {
    rtl::WritePackedString(out_, name, fv_);
    out_.WriteU16(flags);
}

void TLangFileWriter::WriteConstant(const AnsiString& name, std::uint16_t flags, std::uint16_t resourceId,
                                    std::uint32_t id, const WideString& text, std::int32_t revision,
                                    std::uint64_t stamp) {
    WriteContainer(name, flags);
    out_.WriteU16(resourceId);
    out_.WriteU32(id);
    rtl::WritePackedWideString(out_, text, fv_);
    out_.WriteI32(revision);
    out_.WriteU64(stamp);
}

void TLangFileWriter::WriteProperty(const AnsiString& name, std::uint16_t flags, std::uint32_t id, std::uint32_t kind,
                                    const WideString& value, std::int32_t revision, std::uint64_t stamp) {
    WriteContainer(name, flags);
    out_.WriteU32(id);
    out_.WriteU32(kind);
    const std::uint8_t k = static_cast<std::uint8_t>(kind);
    if (k == lvkString || k == lvkStrings) {
        rtl::WritePackedWideString(out_, value, fv_);
    } else if (fv_ >= 4 && k == lvkFloat) {
        out_.WriteU64(std::bit_cast<std::uint64_t>(ParseNumber<double>(value)));
    } else if (fv_ >= 4 && k == lvkInteger) {
        out_.WriteI32(ParseNumber<std::int32_t>(value));
    }
    out_.WriteI32(revision);
    out_.WriteU64(stamp);
}

void TLangFileWriter::WriteEntry(const AnsiString& name, std::uint16_t flags, std::uint32_t id, const WideString& text,
                                 std::int32_t revision, std::uint64_t stamp) {
    WriteGroup(name, flags);
    out_.WriteU32(id);
    rtl::WritePackedWideString(out_, text, fv_);
    out_.WriteI32(revision);
    out_.WriteU64(stamp);
}

namespace {

std::uint16_t Count16(int count) {
    if (count > 0xFFFF) throw rtl::EWriteError(rtl::EWriteError::CreateRes, rtl::SWriteError);
    return static_cast<std::uint16_t>(count);
}

void WriteProperties(TLangFileWriter& w, const TLocPropertyList& list, int slot) {
    w.WriteCount(Count16(list.Count()));
    for (int i = 0; i < list.Count(); ++i) {
        const TLocProperty* p = list.ItemAt(i);
        const TLocValue* v = p->Values().Value(slot);
        w.WriteProperty(p->Name(), v->Flags(), static_cast<std::uint32_t>(p->Id()), p->ValueKind(), v->Text(),
                        v->Revision(), v->Stamp());
    }
}

}  // namespace

void WriteLanguageFile(rtl::TStream& out, const TLangFileHeader& header, const TLocStorage& store, int valueIndex,
                       int formatVersion) {
    TLangFileWriter w(out, formatVersion);
    w.WriteHeader(header);

    const TLocUnitList& units = store.Units();
    w.WriteCount(Count16(units.Count()));
    for (int u = 0; u < units.Count(); ++u) {
        const TLocUnit* unit = units.ItemAt(u);
        w.WriteContainer(unit->Name(), unit->Flags());
        const TLocConstantList& constants = unit->Constants();
        w.WriteCount(Count16(constants.Count()));
        for (int c = 0; c < constants.Count(); ++c) {
            const TLocConstant* k = constants.ItemAt(c);
            const TLocValue* v = k->Values().Value(valueIndex);
            w.WriteConstant(k->Name(), v->Flags(), static_cast<std::uint16_t>(k->ResourceId()),
                            static_cast<std::uint32_t>(k->Id()), v->Text(), v->Revision(), v->Stamp());
        }
    }

    const TLocFormList& forms = store.Forms();
    w.WriteCount(Count16(forms.Count()));
    for (int f = 0; f < forms.Count(); ++f) {
        const TLocForm* form = forms.ItemAt(f);
        w.WriteContainer(form->Name(), form->Flags());
        WriteProperties(w, form->Properties(), valueIndex);
        const TLocComponentList& components = form->Components();
        w.WriteCount(Count16(components.Count()));
        for (int c = 0; c < components.Count(); ++c) {
            const TLocComponent* component = components.ItemAt(c);
            w.WriteContainer(component->Name(), component->Flags());
            WriteProperties(w, component->Properties(), valueIndex);
        }
    }

    if (formatVersion < 7) return;
    const TLocExtGroupList& groups = store.ExternalGroups();
    w.WriteCount(Count16(groups.Count()));
    for (int g = 0; g < groups.Count(); ++g) {
        const TLocExtGroup* group = groups.ItemAt(g);
        w.WriteGroup(group->Name(), group->Flags());
        const TLocExtItemList& entries = group->Entries();
        w.WriteCount(Count16(entries.Count()));
        for (int e = 0; e < entries.Count(); ++e) {
            const TLocExtItem* entry = entries.ItemAt(e);
            const TLocValue* v = entry->Values().Value(valueIndex);
            w.WriteEntry(entry->Name(), v->Flags(), static_cast<std::uint32_t>(entry->Id()), v->Text(), v->Revision(),
                         v->Stamp());
        }
    }
}

std::vector<std::uint8_t> MakeLanguageFile(const TLangFileHeader& header, const TLocStorage& store, int valueIndex,
                                           int formatVersion, bool lzk) {
    rtl::TMemoryStream plain;
    WriteLanguageFile(plain, header, store, valueIndex, formatVersion);
    if (!lzk) return plain.TakeBytes();
    plain.SetPosition(0);
    rtl::TMemoryStream packed;
    CompressLZKStream(plain, packed);
    return packed.TakeBytes();
}

}  // namespace langdata
