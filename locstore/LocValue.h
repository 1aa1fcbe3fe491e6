#pragma once
// A translation value: one language's text of an item with its revision, flags and stamp
// (TLocValue), and an item's values, one per store language (TLocValueList). The value kinds and
// flag bits the language files store are defined here.

#include <cstdint>
#include <memory>
#include <vector>

#include "locstore/KUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysTypes.h"

namespace locstore {

// The user's default language id, which new values, value lists and stores start in.
std::uint16_t UserDefaultLanguageId();

using rtl::AnsiString;
using rtl::WideString;

// Value kinds: what a value's text holds. The language file gives one per property; constants
// and external entries are always strings.
inline constexpr std::uint8_t lvkFloat = 0;       // a floating-point number as text
inline constexpr std::uint8_t lvkInteger = 1;     // a 32-bit signed integer as decimal text
inline constexpr std::uint8_t lvkString = 2;      // a single string
inline constexpr std::uint8_t lvkList = 3;        // a list whose elements are not all strings
inline constexpr std::uint8_t lvkStrings = 4;     // a list of strings, one per line
inline constexpr std::uint8_t lvkBinary = 5;      // binary property data
inline constexpr std::uint8_t lvkIdentifier = 6;  // an identifier or other named constant
inline constexpr std::uint8_t lvkSet = 7;         // a set, elements joined with ","
inline constexpr std::uint8_t lvkInt64 = 8;       // a 64-bit signed integer as decimal text

// Value flag bits. The store keeps them; the live translation, the form processor and the
// language file reader give them their meaning.
inline constexpr std::uint16_t lvfNotApplied = 0x0008;     // never written into a component
inline constexpr std::uint16_t lvfAddedProperty = 0x0010;  // appended to its component's form data
inline constexpr std::uint16_t lvfUseOutdated = 0x0100;    // cleared by the reader on an older revision

// Flag bit of a form or component: its font keeps its character set.
inline constexpr std::uint16_t lcfKeepCharset = 0x0004;
class TLocValueList;


// One language's value of an item. Its text is wide whatever the kind; the ANSI views use the code
// page of the value's own language.
class TLocValue : public rtl::TObject {
public:
    // The value starts empty, revision 0, no flags, in the user's default language. It is not
    // added to its owner here.
    explicit TLocValue(TLocValueList* owner);
    TLocValue(TLocValueList* owner, std::uint16_t languageId);
    ~TLocValue() override;

    TLocValueList* Owner() const { return owner_; }
    // The owner list's kind (a value without an owner counts as a string).
    std::uint8_t Kind() const;
    // True for the first value of its owner list.
    bool IsBaseValue() const;

    const WideString& Text() const { return text_; }
    // Sets the text. On the base value, every value of the list with a negative revision
    // follows: it receives the new text through the base language's and its own code page.
    void SetText(WideString text);
    // The text in the code page of LanguageId.
    AnsiString AsAnsi() const;
    // Text read with the code page of LanguageId, then SetText.
    void SetAnsi(const AnsiString& text);
    // AsAnsi split at CR, LF and CR LF; a break at the very end adds no line, a zero byte ends
    // the text. The list stays owned by the value and is replaced by the next call.
    const std::vector<AnsiString>& AsLines();
    // The text (system code page) trimmed and read as a number; 0 when empty or not a number.
    std::int32_t AsInteger() const;
    double AsFloat() const;
    // The text (system code page) read as a 64-bit integer without trimming; raises
    // rtl::EConvertError when it is not one.
    std::int64_t AsInt64() const;
    // Reads the value's data from a language file body. With format 1..3 only kinds 2 and 4 carry
    // data. The text is set directly, without passing it on to untranslated values. A short
    // stream raises rtl::EReadError and leaves the text as it was.
    void LoadFromStream(rtl::TStream& stream, int formatVersion);

    std::uint64_t Stamp() const { return stamp_; }
    void SetStamp(std::uint64_t stamp) { stamp_ = stamp; }
    // Negative: untranslated, follows the base value. A translation is current when its revision
    // equals the base value's.
    std::int32_t Revision() const { return revision_; }
    void SetRevision(std::int32_t revision) { revision_ = revision; }
    std::uint16_t Flags() const { return flags_; }
    // True when every bit of mask is set (so mask 0 is always true).
    bool HasFlags(std::uint16_t mask) const { return (flags_ & mask) == mask; }
    void SetFlags(std::uint16_t mask, bool on);
    // Replaces the whole flag word (the reader takes it from the file).
    void SetFlagWord(std::uint16_t flags) { flags_ = flags; }
    std::uint16_t LanguageId() const { return languageId_; }
    void SetLanguageId(std::uint16_t languageId) { languageId_ = languageId; }

private:
    TLocValueList* owner_;
    std::uint64_t stamp_ = 0;
    WideString text_;
    std::int32_t revision_ = 0;
    std::uint16_t flags_ = 0;
    std::uint16_t languageId_;
    // Scratch list of AsLines, made on first use: most values never need it.
    std::unique_ptr<std::vector<AnsiString>> lines_;
};

// An item's values, one per store language; index 0 is the base value. Owns its values.
class TLocValueList : public TKObjectListOf<TLocValue> {
public:
    // Creates the list holding its base value (in the user's default language).
    explicit TLocValueList(std::uint8_t kind);
    TLocValueList(std::uint8_t kind, std::uint16_t baseLanguageId);

    std::uint8_t Kind() const { return kind_; }
    // Indexed access; outside 0 .. Count-1 raises the list index error.
    TLocValue* Value(int index) const { return ItemAt(index); }

private:
    std::uint8_t kind_;
};

}  // namespace locstore
