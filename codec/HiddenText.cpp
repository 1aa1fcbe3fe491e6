#include "codec/HiddenText.h"

#include <cstdio>

#include "platform/nls/CodePages.h"
#include "platform/nls/Nls.h"
#include "platform/winres/WinRes.h"

namespace codec {

namespace {

// The code page converts the character there and back unchanged.
bool Holds(int codePage, std::u16string_view character) {
    const auto bytes = nls::WideToMultiByte(codePage, character);
    if (!bytes || bytes->empty()) return false;
    const auto back = nls::MultiByteToWide(codePage, *bytes);
    return back && *back == character;
}

std::size_t CharacterLength(const WideString& text, std::size_t at) {
    const char16_t c = text[at];
    const bool pair = c >= 0xD800 && c <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF;
    return pair ? 2 : 1;
}

char32_t CodePoint(std::u16string_view character) {
    if (character.size() == 2) return 0x10000 + ((char32_t(character[0]) - 0xD800) << 10) + (char32_t(character[1]) - 0xDC00);
    return character[0];
}

[[noreturn]] void RaiseCannotHide(int codePage, int position, std::u16string_view character) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(CodePoint(character)));
    // The message is shown in the interface's code page; where that cannot show the character
    // either, its number still names it.
    const AnsiString shown = winres::WideToAnsi(WideString(character), winres::InterfaceCodePage());
    throw EHiddenTextError(EHiddenTextError::CreateResFmt, SCannotHideCharacter, {position, shown, AnsiString(hex), codePage});
}

}  // namespace

int HiddenTextCodePage() { return nls::GetACP(); }

AnsiString HiddenTextOf(const WideString& shown, int codePage) {
    if (auto whole = nls::WideToMultiByte(codePage, shown)) {
        const auto back = nls::MultiByteToWide(codePage, *whole);
        if (back && *back == shown) return *whole;
    }
    int position = 1;
    for (std::size_t at = 0; at < shown.size(); ++position) {
        const std::size_t length = CharacterLength(shown, at);
        const std::u16string_view character(shown.data() + at, length);
        if (!Holds(codePage, character)) RaiseCannotHide(codePage, position, character);
        at += length;
    }
    // Every character alone converts, but not the whole (cannot happen with the code pages we
    // convert): refuse rather than hide something else.
    RaiseCannotHide(codePage, 1, std::u16string_view(shown.data(), shown.empty() ? 0 : CharacterLength(shown, 0)));
}

WideString ShownTextOf(const AnsiString& hidden, int codePage) {
    auto wide = nls::MultiByteToWide(codePage, hidden);
    return wide ? *wide : WideString(hidden.begin(), hidden.end());
}

}  // namespace codec
