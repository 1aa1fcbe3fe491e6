#pragma once
// The gettext PO format: a bounded, line-numbered reader and a writer. The reader takes outside
// bytes (files that translators' tools wrote, or anything else) and treats them as hostile:
// every line is length-checked, strings must close on their line, escapes are the C ones
// gettext knows, the text must be UTF-8 and the header must say so. Anything else raises
// EPoFileError with the file name and the line.
//
// This unit knows only the format: entries with their comments, flags, context, id and
// translation, all UTF-8. LangPo maps entries to the translation store.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/ResString.h"

namespace langdata {

VLMRK_DECLARE_EXCEPTION(EPoFileError, rtl::Exception);

VLMRK_RESSTRING(SPoUnterminatedString, 65332, "PoFile", "%s(%d): the string is not closed on its line");
VLMRK_RESSTRING(SPoUnknownEscape, 65333, "PoFile", "%s(%d): unknown escape sequence \"\\%s\"");
VLMRK_RESSTRING(SPoUnexpectedLine, 65334, "PoFile", "%s(%d): unexpected \"%s\"");
VLMRK_RESSTRING(SPoInvalidUtf8, 65335, "PoFile", "%s(%d): the text is not valid UTF-8");
VLMRK_RESSTRING(SPoDuplicateEntry, 65336, "PoFile", "%s(%d): the entry \"%s\" appears twice (first at line %d)");
VLMRK_RESSTRING(SPoNoCharset, 65337, "PoFile",
                "%s(%d): the header does not give the character set (Content-Type: text/plain; charset=UTF-8)");
VLMRK_RESSTRING(SPoUnsupportedCharset, 65338, "PoFile",
                "%s(%d): the character set \"%s\" is not supported; save the file as UTF-8");
VLMRK_RESSTRING(SPoLineTooLong, 65339, "PoFile", "%s(%d): the line is longer than %d bytes");
VLMRK_RESSTRING(SPoIncompleteEntry, 65340, "PoFile", "%s(%d): the entry needs a msgid and a msgstr");

// Longest line the reader takes (a PO writer wraps long texts; a memo of a megabyte is no
// translation).
inline constexpr std::size_t PoMaxLineBytes = 1 << 20;

struct TPoEntry {
    std::vector<std::string> TranslatorComments;  // "# " lines, without the marker
    std::vector<std::string> ExtractedComments;   // "#." lines
    std::vector<std::string> References;          // "#:" lines
    std::vector<std::string> Flags;               // "#," words: "fuzzy", "c-format", ...
    bool HasContext = false;
    std::string Context;                          // msgctxt
    std::string Id;                               // msgid
    bool HasPlural = false;
    std::string IdPlural;                         // msgid_plural
    std::vector<std::string> Str;                 // msgstr, or msgstr[0..n-1] for a plural entry
    int Line = 0;                                 // line of the entry's msgid

    bool HasFlag(std::string_view flag) const;
    bool Fuzzy() const { return HasFlag("fuzzy"); }
    // The translation (msgstr, or msgstr[0]); empty when untranslated.
    const std::string& Translation() const;
    // The header entry: msgid "" without a context.
    bool IsHeader() const { return !HasContext && Id.empty(); }
};

struct TPoFile {
    std::vector<TPoEntry> Entries;  // in file order, the header entry included; obsolete ("#~") entries left out

    // The header entry, or nullptr.
    const TPoEntry* Header() const;
    // The value of a header field ("Language"), or empty; found says whether it is there.
    std::string HeaderField(std::string_view name, bool* found = nullptr) const;
};

// Parses PO text. fileName names the file in messages. Raises EPoFileError (with the line) for
// an unclosed string, an unknown escape, a line out of place, text that is not UTF-8, a
// duplicate entry (same context and msgid), a header without a charset or with one other
// than UTF-8, a line longer than PoMaxLineBytes, an entry without msgid or msgstr.
TPoFile ParsePo(std::string_view text, const std::string& fileName);

// A string as PO writes it: quoted, with C escapes; a text holding line breaks is split after
// each "\n" into one quoted line each, after an empty first line.
std::string PoQuote(std::string_view keyword, std::string_view utf8);

// One quoted string with C escapes, as PO writes it on a line ("a\tb"), and back. PoUnquote
// takes exactly one quoted string and answers false for anything else or text that is not UTF-8.
std::string PoQuoteLine(std::string_view utf8);
bool PoUnquote(std::string_view quoted, std::string& utf8);

// The whole file in the canonical layout (header first when present, one blank line between
// entries). ParsePo(WritePo(f)) gives f back.
std::string WritePo(const TPoFile& file);

}  // namespace langdata
