#include "platform/ui/Text8.h"

#include <array>

namespace ui {

namespace {

// Windows-1252 bytes 0x80..0x9F; the rest of the page is Latin-1. Undefined bytes map to the
// control characters of the same value, as the platform converts them, so every byte round-trips.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

WideString BuiltInToWide(const AnsiString& text, int) {
    WideString out;
    out.reserve(text.size());
    for (unsigned char b : text) out.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    return out;
}

AnsiString BuiltInToAnsi(const WideString& text, int) {
    AnsiString out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char mapped = '?';
        for (std::size_t i = 0; i < kCp1252High.size(); ++i)
            if (kCp1252High[i] == c) mapped = static_cast<char>(0x80 + i);
        out.push_back(mapped);
    }
    return out;
}

TCodePages& Pages() {
    static TCodePages pages{[] { return 1252; }, [] { return 1252; }, BuiltInToWide, BuiltInToAnsi};
    return pages;
}

}  // namespace

void SetCodePages(TCodePages pages) {
    auto& current = Pages();
    if (pages.SystemCodePage) current.SystemCodePage = std::move(pages.SystemCodePage);
    if (pages.InterfaceCodePage) current.InterfaceCodePage = std::move(pages.InterfaceCodePage);
    if (pages.ToWide) current.ToWide = std::move(pages.ToWide);
    if (pages.ToAnsi) current.ToAnsi = std::move(pages.ToAnsi);
}

int SystemCodePage() { return Pages().SystemCodePage(); }
int InterfaceCodePage() { return Pages().InterfaceCodePage(); }

int CodePageOfCharset(int charset) {
    switch (charset) {
        case ANSI_CHARSET: return 1252;
        case 128: return 932;   // SHIFTJIS
        case 129: return 949;   // HANGEUL
        case 134: return 936;   // GB2312
        case 136: return 950;   // CHINESEBIG5
        case 161: return 1253;  // GREEK
        case 162: return 1254;  // TURKISH
        case 163: return 1258;  // VIETNAMESE
        case 177: return 1255;  // HEBREW
        case 178: return 1256;  // ARABIC
        case 186: return 1257;  // BALTIC
        case 204: return 1251;  // RUSSIAN
        case 222: return 874;   // THAI
        case 238: return 1250;  // EASTEUROPE
        default: return 0;
    }
}

QString DecodeAnsi(const AnsiString& text, int codePage) {
    const WideString wide = Pages().ToWide(text, codePage);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

AnsiString EncodeAnsi(const QString& text, int codePage) {
    return Pages().ToAnsi(WideString(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())),
                          codePage);
}

int CodePageForCharset(int charset) {
    const int codePage = CodePageOfCharset(charset);
    return codePage != 0 ? codePage : InterfaceCodePage();
}

QString DecodeForCharset(const AnsiString& text, int charset) { return DecodeAnsi(text, CodePageForCharset(charset)); }

QString RestrictToCodePage(const QString& text, int codePage) {
    return DecodeAnsi(EncodeAnsi(text, codePage), codePage);
}

}  // namespace ui
