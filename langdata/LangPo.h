#pragma once
// Between the translation store and gettext PO entries (the format itself is PoFile's).
//
// One entry per translatable item of a text kind (constants, properties of kinds string and
// strings, external entries), in store order. The context names the item by its path
// ("PrjConst.SReady", "Form1.lbl1.Caption"), the msgid is the base text, the msgstr the
// translation. The revision rule maps both ways: a translation of the base's revision is
// translated, a lower revision is "fuzzy" (outdated), a negative one is untranslated (empty
// msgstr). What a PO entry has no place for (an unusual revision, the value's flag word and
// stamp) rides in an extracted comment "veilmark: revision 8, flags 0x0100, stamp ..." written
// only when needed, so export and import give back the same language file. The header carries
// the language file's own header fields as X-Veilmark-* fields.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "langdata/LocLangFile.h"
#include "langdata/PoFile.h"

namespace locstore {
class TLocStorage;
class TLocItem;
}

namespace langdata {

VLMRK_DECLARE_EXCEPTION(ELangPoError, rtl::Exception);

VLMRK_RESSTRING(SPoUnknownEntry, 65341, "LangPo", "%s(%d): \"%s\" is not an item of the base language; skipped");
VLMRK_RESSTRING(SPoNotInCodePage, 65342, "LangPo",
                "%s(%d): \"%s\": the translation holds characters that code page %d cannot hold");
VLMRK_RESSTRING(SPoPlaceholders, 65343, "LangPo",
                "%s(%d): \"%s\": the translation does not keep the placeholders of the base text (%s)");
VLMRK_RESSTRING(SPoBadHeaderField, 65344, "LangPo", "%s(%d): the header field %s is not valid: \"%s\"");
VLMRK_RESSTRING(SPoNoLanguage, 65345, "LangPo",
                "%s(%d): the header names no language (Language or X-Veilmark-Language-Id)");
VLMRK_RESSTRING(SPoOtherBaseText, 65346, "LangPo",
                "%s(%d): \"%s\" was translated from another base text; imported as outdated");
VLMRK_RESSTRING(SPoBadComment, 65347, "LangPo", "%s(%d): the comment \"%s\" is not valid");

// Classes of the program's forms and components: "Form1" -> "TForm1", "Form1.lbl1" -> "TLabel".
using TComponentClasses = std::map<std::string, std::string>;

// A translatable item with its context; the contexts of one store are unique.
struct TPoItem {
    locstore::TLocItem* Item = nullptr;
    std::string Context;
    std::string Class;  // the component's (or form's) class for properties, when known
};
std::vector<TPoItem> PoItems(const locstore::TLocStorage& store, const TComponentClasses& classes = {});

// The PO of the store's value slot (slot > 0, with that language's header), or with slot < 0
// the template (POT) of the base language.
TPoFile ExportPo(const locstore::TLocStorage& store, const TLangFileHeader& base, int slot,
                 const TLangFileHeader* translation, const TComponentClasses& classes = {});

// The language file header for a PO: its X-Veilmark-* fields where present; else the language
// from "Language", its names from the locale tables, the version, based-on language and id
// maxima from the base. Raises ELangPoError
// for a header without a language or with a field that is not valid.
TLangFileHeader PoLanguageHeader(const TPoFile& po, const TLangFileHeader& base, const std::string& fileName);

struct TPoImportResult {
    std::vector<std::string> Warnings;  // entries skipped or taken as outdated, with their lines
    int Matched = 0;
    int Skipped = 0;
};

// Fills value slot `slot` of the store (which holds the base structure and a slot for the PO's
// language, as AddLanguage leaves it) from the PO. A translated entry gets the base item's
// revision, a fuzzy one a lower one, an empty one -1. Entries the base lacks are reported and
// skipped. Raises ELangPoError (with the line) for a translation the language's code page
// cannot hold, a translation that does not keep the placeholders of a C-format base text, or
// a context that appears twice.
TPoImportResult ImportPo(const TPoFile& po, locstore::TLocStorage& store, int slot, const std::string& fileName);

// The three counts of msgfmt --statistics (the header left out): empty translation is
// untranslated, a fuzzy one with text is fuzzy, the rest translated.
struct TPoStatistics {
    int Translated = 0;
    int Fuzzy = 0;
    int Untranslated = 0;
};
TPoStatistics CountPo(const TPoFile& po);

// Whether a text is a C format string with at least one conversion (every "%" begins a valid
// directive), and its conversions in order, one type word each ("s", "i", "u", "li", ...).
bool IsCFormat(const std::u16string& text);
std::vector<std::string> CFormatConversions(const std::u16string& text, bool* valid = nullptr);

}  // namespace langdata
