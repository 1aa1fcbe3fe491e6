#include "modres/LocFormProc.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <string>

#include "locstore/KLocales.h"
#include "locstore/KStrings.h"
#include "locstore/LocStorage.h"
#include "modres/WinResProc.h"
#include "platform/rtl/RtlConsts.h"
#include "platform/rtti/FormStream.h"
#include "platform/rtti/Graphics.h"

namespace modres {

using locstore::TLocComponent;
using locstore::TLocItem;
using locstore::TLocProperty;
using locstore::TLocValue;
using rtti::TValueType;

namespace {

AnsiString UpperAscii(AnsiString text) {
    for (char& ch : text)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    return text;
}

bool ContainsTextAscii(std::string_view text, std::string_view part) {
    const auto upper = [](char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch; };
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [&](char a, char b) { return upper(a) == upper(b); }) != text.end();
}

bool IsIntegerType(TValueType t) {
    return t == TValueType::vaInt8 || t == TValueType::vaInt16 || t == TValueType::vaInt32;
}

// Removes the last dotted part ("a.b.c" -> "a.b"; "a" -> "").
AnsiString DropLastPart(const AnsiString& path) {
    auto dot = path.rfind('.');
    return dot == AnsiString::npos ? AnsiString() : path.substr(0, dot);
}

// Clears the per-form pointers when a rewrite ends, however it ends.
template <class F>
struct TScopeExit {
    F f;
    ~TScopeExit() { f(); }
};
template <class F>
TScopeExit(F) -> TScopeExit<F>;

}  // namespace

TLocFormProcessor::TLocFormProcessor() = default;
TLocFormProcessor::~TLocFormProcessor() = default;

void TLocFormProcessor::PrepareLanguage() {
    std::uint32_t language = Store ? Store->LanguageAt(LanguageIndex) : LanguageId;
    int charset = locstore::CharsetOfLanguage(language);
    if (!rtti::CharsetToIdent(charset, CharsetIdent)) CharsetIdent = std::to_string(charset);
    RightToLeft = locstore::IsRightToLeftLanguage(language);
}

void TLocFormProcessor::ProcessForms(TResProcessor& processor) {
    PrepareLanguage();
    for (const AnsiString& name : ProjectForms) ProcessFormResource(processor, name);
}

void TLocFormProcessor::ProcessFormResource(TResProcessor& processor, const AnsiString& name) {
    TResRCData* rcdata = processor.FindRCData();
    if (!rcdata)
        throw ELocFormProcessorError(ELocFormProcessorError::CreateRes, SCantFindRCDataBlock).WithCode("pe.rcdata.missing");
    TResRCDataItem* item = rcdata->FindItem(UpperAscii("T" + name));
    if (!item) item = rcdata->FindItem(UpperAscii("TME" + name));
    if (!item) return;
    rtl::TReadOnlyStream input(item->Data->View());
    auto output = std::make_unique<rtl::TMemoryStream>();
    // The rewrite is about as long as the form: make room once instead of growing it chunk by chunk.
    output->Reserve(input.Size() + input.Size() / 8);
    RewriteForm(input, *output);
    item->Data = std::move(output);
}

void TLocFormProcessor::RewriteForm(rtl::TStream& input, rtl::TStream& output) {
    FormName.clear();
    FormItem = nullptr;
    InlinePrefix.clear();
    InheritedObject = false;
    ListIndex = -1;
    KeepReadValue = false;
    CharsetOverride.clear();
    BiDiOverride.clear();
    try {
        input.SetPosition(0);
        rtti::TWriter writer(output);
        rtti::TReader reader(input);
        Reader = &reader;
        Writer = &writer;
        Input = &input;
        if (auto* memory = dynamic_cast<rtl::TCustomMemoryStream*>(&input)) InputBytes = memory->View();
        TScopeExit clear{[this] {
            Reader = nullptr;
            Writer = nullptr;
            Input = nullptr;
            InputBytes = {};
        }};
        CopiedUpTo = 0;
        reader.ReadSignature();
        AnsiString className;
        bool isInline = false;
        ReadObjectHeader(className, FormName, isInline);
        FormItem = nullptr;
        if (Store) {
            int index = Store->Forms().IndexOf(FormName);
            if (index >= 0) FormItem = Store->Forms().ItemAt(index);
        }
        BiDiModeSeen = false;
        ProcessObject(AnsiString(), true);
        CopyPending();
    } catch (rtl::Exception& e) {
        // A read error without a code of its own is the stream ending inside what was read.
        if (dynamic_cast<rtl::EReadError*>(&e)) e.SetCodeIfNone("form.stream.short");
        e.SetMessage(kFormErrorPrefix + FormName + "\r\n" + e.Message());
        throw;
    }
}

// ---- copying ----------------------------------------------------------------------------------

void TLocFormProcessor::CopyUpTo(std::int64_t position) {
    if (position <= CopiedUpTo) return;
    // Everything before the position was read already, so it lies within the input.
    if (!InputBytes.empty() && position <= static_cast<std::int64_t>(InputBytes.size())) {
        Writer->Stream().WriteBuffer(InputBytes.data() + CopiedUpTo, position - CopiedUpTo);
        CopiedUpTo = position;
        return;
    }
    const std::int64_t keep = Input->Position();
    Input->SetPosition(CopiedUpTo);
    std::int64_t left = position - CopiedUpTo;
    while (left > 0) {
        const std::int64_t chunk = std::min<std::int64_t>(left, static_cast<std::int64_t>(CopyBuffer.size()));
        Input->ReadBuffer(CopyBuffer.data(), chunk);
        Writer->Stream().WriteBuffer(CopyBuffer.data(), chunk);
        left -= chunk;
    }
    CopiedUpTo = position;
    Input->SetPosition(keep);
}

void TLocFormProcessor::CopyPending() { CopyUpTo(Input->Position()); }

// The input bytes of a value just replaced are never copied.
void TLocFormProcessor::Replaced() { CopiedUpTo = Input->Position(); }

// ---- objects ----------------------------------------------------------------------------------

void TLocFormProcessor::ReadObjectHeader(AnsiString& className, AnsiString& objectName, bool& isInline) {
    rtti::TObjectHeader header = Reader->ReadHeader();
    className = header.ClassName;
    objectName = header.ObjectName;
    InheritedObject = (header.Flags & rtti::ffInherited) != 0;
    isInline = !InheritedObject && (header.Flags & rtti::ffInline) != 0;
    if (isInline) InlinePrefix = locstore::JoinDotted(InlinePrefix, objectName);
}

void TLocFormProcessor::ProcessObject(const AnsiString& name, bool isRoot) {
    rtti::TNestingGuard guard(*Reader);
    const AnsiString storeName = InheritedObject ? locstore::JoinDotted(InlinePrefix, name) : name;
    TLocComponent* component = FormItem ? FormItem->FindComponent(storeName) : nullptr;

    while (!Reader->EndOfList()) ProcessProperty(component, name);

    // Appended properties go in front of the list's end byte, which is still to be copied.
    CopyPending();
    WriteAddedProperties(component);
    if (isRoot && ProcessBiDiMode && !BiDiModeSeen && RightToLeft) {
        Writer->WriteStr("BiDiMode");
        Writer->WriteIdent("bdRightToLeft");
    }
    Reader->ReadListEnd();

    int number = 1;
    while (!Reader->EndOfList()) {
        AnsiString className, childName;
        bool isInline = false;
        ReadObjectHeader(className, childName, isInline);
        if (childName.empty()) childName = name + "." + className + std::to_string(number);
        ProcessObject(childName, false);
        if (isInline) InlinePrefix = DropLastPart(InlinePrefix);
        ++number;
    }
    Reader->ReadListEnd();
}

// ---- properties -------------------------------------------------------------------------------

TLocValue* TLocFormProcessor::TargetValue(const TLocItem& item) const { return item.Values().Value(LanguageIndex); }

TLocValue* TLocFormProcessor::ChooseValue(const TLocItem& item) const {
    TLocValue* base = item.BaseValue();
    TLocValue* target = TargetValue(item);
    return (target->Revision() == base->Revision() || ShowUntranslatedAsIs) ? target : base;
}

void TLocFormProcessor::ProcessProperty(TLocComponent* component, const AnsiString& objectName) {
    const AnsiString propertyName = Reader->ReadStr();
    CopyPending();
    KeepReadValue = false;
    ListIndex = -1;
    TLocValue* translation = nullptr;

    TLocProperty* property = component ? component->Properties().Find(propertyName) : nullptr;
    const bool used = property && !property->HasFlags(locstore::lvfNotApplied);
    if (used) {
        if (property->ValueKind() == locstore::lvkString && TargetValue(*property)->AsAnsi().empty())
            KeepReadValue = true;
        else
            translation = ChooseValue(*property);
    } else if (ProcessBiDiMode && ContainsTextAscii(propertyName, ".BiDiMode")) {
        if (RightToLeft) BiDiOverride = "bdRightToLeft";
        BiDiModeSeen = true;
    } else if (ProcessCharset && ContainsTextAscii(propertyName, ".Charset") && component &&
               !component->HasFlags(locstore::lcfKeepCharset)) {
        CharsetOverride = CharsetIdent;
    }

    ProcessValue(objectName, propertyName, translation);
    CharsetOverride.clear();
    BiDiOverride.clear();
}

void TLocFormProcessor::WriteIdentOrNumber(const AnsiString& ident) {
    if (locstore::IsAllDigits(ident)) {
        std::int64_t number = 0;
        auto [end, ec] = std::from_chars(ident.data(), ident.data() + ident.size(), number);
        if (ec == std::errc() && end == ident.data() + ident.size()) {
            Writer->WriteInteger(number);
            return;
        }
    }
    Writer->WriteIdent(ident);
}

void TLocFormProcessor::ProcessValue(const AnsiString& objectName, const AnsiString& propertyName,
                                     TLocValue* translation) {
    const bool usable = translation && (ListIndex < 0 || translation->Kind() == locstore::lvkStrings);
    const std::int64_t start = Input->Position();
    const std::uint8_t code = Input->ReadU8();
    Input->SetPosition(start);
    if (code > rtti::kMaxValueType)
        throw rtl::EReadError(rtl::EReadError::CreateResFmt, rtl::SReadErrorProp,
                              {objectName, AnsiString("."), propertyName, std::to_string(code)})
            .WithCode("form.value.type");
    const auto type = static_cast<TValueType>(code);
    // The line of a string-list translation that stands for the current list element.
    auto line = [&](AnsiString& text) {
        if (ListIndex < 0) return false;
        const auto& lines = translation->AsLines();
        if (ListIndex >= static_cast<std::int32_t>(lines.size())) return false;
        text = lines[static_cast<std::size_t>(ListIndex)];
        return true;
    };

    switch (type) {
        case TValueType::vaList: {
            rtti::TNestingGuard guard(*Reader);
            Reader->ReadValue();
            CopyPending();
            if (ListIndex == -1) ListIndex = 0;
            while (!Reader->EndOfList()) {
                ProcessValue(objectName, propertyName, translation);
                ++ListIndex;
            }
            Reader->ReadListEnd();
            CopyPending();
            return;
        }
        case TValueType::vaInt8:
        case TValueType::vaInt16:
        case TValueType::vaInt32:
        case TValueType::vaInt64: {
            Reader->ReadValue();
            const std::int64_t read = Reader->ReadIntPayload(type);
            std::int64_t value = read;
            if (usable) value = type == TValueType::vaInt64 ? translation->AsInt64() : translation->AsInteger();
            Writer->WriteInteger(value);
            Replaced();
            return;
        }
        case TValueType::vaExtended: {
            Reader->ReadValue();
            const rtti::TExtendedBytes read = Reader->ReadExtendedPayload();
            if (usable) Writer->WriteFloat(translation->AsFloat());
            else Writer->WriteExtended(read);
            Replaced();
            return;
        }
        case TValueType::vaSingle: {
            Reader->ReadValue();
            const float read = std::bit_cast<float>(Input->ReadU32());
            Writer->WriteSingle(usable ? static_cast<float>(translation->AsFloat()) : read);
            Replaced();
            return;
        }
        case TValueType::vaDouble: {
            Reader->ReadValue();
            const double read = std::bit_cast<double>(Input->ReadU64());
            Writer->WriteDouble(usable ? translation->AsFloat() : read);
            Replaced();
            return;
        }
        case TValueType::vaCurrency: {
            Reader->ReadValue();
            std::int64_t value = static_cast<std::int64_t>(Input->ReadU64());
            if (usable) {
                const double scaled = std::nearbyint(translation->AsFloat() * 10000.0);
                // A translation beyond the currency range keeps the value read.
                if (std::isfinite(scaled) && std::fabs(scaled) < 9.2e18) value = static_cast<std::int64_t>(scaled);
            }
            Writer->WriteCurrency(value);
            Replaced();
            return;
        }
        case TValueType::vaString:
        case TValueType::vaLString: {
            Reader->ReadValue();
            const AnsiString read = type == TValueType::vaString ? Reader->ReadStr() : Reader->ReadLStrPayload();
            WideString wide;
            if (usable) {
                if (ListIndex < 0) {
                    wide = translation->Text();
                } else {
                    AnsiString text;
                    if (!line(text)) text = read;
                    wide = locstore::AnsiToWideByLanguage(text, LanguageId);
                }
            }
            if (!wide.empty()) Writer->WriteWideString(wide);
            else Writer->WriteString(read);
            Replaced();
            return;
        }
        case TValueType::vaWString:
        case TValueType::vaUTF8String: {
            WideString wide = Reader->ReadWideString();
            if (usable) {
                AnsiString text;
                // The lines come in the value's 8-bit form; they are read back with the target
                // language's code page, as for 8-bit list elements.
                if (ListIndex < 0) wide = translation->Text();
                else if (line(text)) wide = locstore::AnsiToWideByLanguage(text, LanguageId);
            }
            Writer->WriteWideString(wide);
            Replaced();
            return;
        }
        case TValueType::vaIdent: {
            Reader->ReadValue();
            const AnsiString read = Reader->ReadStr();
            WriteIdentOrNumber(!CharsetOverride.empty() ? CharsetOverride : !BiDiOverride.empty() ? BiDiOverride : read);
            Replaced();
            return;
        }
        case TValueType::vaCollection:
            ProcessCollection(objectName, propertyName);
            return;
        case TValueType::vaNull:
        case TValueType::vaFalse:
        case TValueType::vaTrue:
        case TValueType::vaNil:
        case TValueType::vaBinary:
        case TValueType::vaSet:
        case TValueType::vaDate:
            Reader->SkipValue();
            CopyPending();
            return;
    }
}

void TLocFormProcessor::ProcessCollection(const AnsiString& objectName, const AnsiString& propertyName) {
    rtti::TNestingGuard guard(*Reader);
    Reader->ReadValue();
    CopyPending();
    const bool inherited = InheritedObject;
    std::int64_t number = 0;
    while (!Reader->EndOfList()) {
        if (IsIntegerType(Reader->NextValue())) number = Reader->ReadInteger();
        AnsiString itemName = locstore::JoinDotted(objectName, propertyName) + "[" + std::to_string(number) + "]";
        if (inherited) itemName = locstore::JoinDotted(InlinePrefix, itemName);
        TLocComponent* component = FormItem ? FormItem->FindComponent(itemName) : nullptr;
        Reader->ReadListBegin();
        CopyPending();
        while (!Reader->EndOfList()) ProcessProperty(component, itemName);
        CopyPending();
        WriteAddedProperties(component);
        Reader->ReadListEnd();
        ++number;
    }
    Reader->ReadListEnd();
    CopyPending();
}

void TLocFormProcessor::WriteAddedProperties(TLocComponent* component) {
    if (!component) return;
    auto& properties = component->Properties();
    for (int i = 0; i < properties.Count(); ++i) {
        TLocProperty* property = properties.ItemAt(i);
        if (!property->HasFlags(locstore::lvfAddedProperty)) continue;
        const std::uint8_t kind = property->ValueKind();
        if (kind == locstore::lvkList || kind == locstore::lvkBinary || kind == locstore::lvkSet) continue;
        if (kind > locstore::lvkInt64) continue;  // no encoding for kinds we do not know
        TLocValue* value = ChooseValue(*property);
        Writer->WriteStr(property->Name());
        switch (kind) {
            case locstore::lvkFloat:
                Writer->WriteFloat(value->AsFloat());
                break;
            case locstore::lvkInteger:
                Writer->WriteInteger(value->AsInteger());
                break;
            case locstore::lvkString:
                Writer->WriteString(value->AsAnsi());
                break;
            case locstore::lvkStrings:
                Writer->WriteListBegin();
                for (const AnsiString& text : value->AsLines()) Writer->WriteString(text);
                Writer->WriteListEnd();
                break;
            case locstore::lvkIdentifier:
                WriteIdentOrNumber(value->AsAnsi());
                break;
            case locstore::lvkInt64:
                Writer->WriteInteger(value->AsInt64());
                break;
            default:
                break;
        }
    }
}

}  // namespace modres
