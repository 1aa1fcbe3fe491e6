#include "platform/nls/CodePages.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <vector>

#include "platform/nls/SingleByteTables.h"

namespace nls {

namespace {

constexpr char16_t kDefaultChar = u'?';

// ---- single-byte code pages ----

std::u16string SingleByteToWide(const TSingleByteTable& table, std::string_view text) {
    std::u16string out;
    out.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        out[i] = b < 0x80 ? static_cast<char16_t>(b) : table.High[b - 0x80];
    }
    return out;
}

std::string WideToSingleByte(const TSingleByteTable& table, std::u16string_view text) {
    std::string out;
    out.resize(text.size());
    const auto* first = std::begin(table.Reverse);
    const auto* last = std::end(table.Reverse);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i];
        if (ch < 0x80) {
            out[i] = static_cast<char>(ch);
            continue;
        }
        const auto* it = std::lower_bound(first, last, ch,
                                          [](const TSingleByteTable::TPair& p, char16_t c) { return p.Ch < c; });
        out[i] = (it != last && it->Ch == ch) ? static_cast<char>(it->Byte) : static_cast<char>(kDefaultChar);
    }
    return out;
}

// ---- double-byte code pages, through iconv ----

const char* IconvName(int codePage) {
    switch (codePage) {
        case 932: return "CP932";
        case 936: return "CP936";
        case 949: return "CP949";
        case 950: return "CP950";
        default: return nullptr;
    }
}

// One pair of conversion descriptors per double-byte code page, opened at first use and kept for
// the run (the process-wide conversion state the system would hold). A descriptor carries shift
// state, so each use holds the lock.
struct TIconvPair {
    int CodePage = 0;
    iconv_t ToWide = reinterpret_cast<iconv_t>(-1);
    iconv_t FromWide = reinterpret_cast<iconv_t>(-1);
    bool Tried = false;
};

std::mutex& IconvLock() {
    static std::mutex lock;
    return lock;
}

TIconvPair* IconvFor(int codePage) {
    static TIconvPair pairs[] = {{932}, {936}, {949}, {950}};
    for (TIconvPair& p : pairs) {
        if (p.CodePage != codePage) continue;
        if (!p.Tried) {
            p.Tried = true;
            p.ToWide = iconv_open("UTF-16LE", IconvName(codePage));
            p.FromWide = iconv_open(IconvName(codePage), "UTF-16LE");
        }
        return &p;
    }
    return nullptr;
}

bool Usable(iconv_t cd) { return cd != reinterpret_cast<iconv_t>(-1); }

// Runs iconv over the whole input. Where the input cannot be converted, `unit` bytes are skipped
// and `replacement` is written, so any input converts.
std::string IconvAll(iconv_t cd, const std::string& input, std::size_t unit, std::string_view replacement,
                     std::size_t sizeHint) {
    std::string out;
    out.resize(std::max<std::size_t>(sizeHint, 16));
    std::size_t used = 0;
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL (a sequence cut off at the end): replace one unit and go on.
        const std::size_t skip = std::min(unit, inLeft);
        in += skip;
        inLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (out.size() - used < replacement.size()) out.resize(out.size() * 2 + replacement.size());
        std::copy(replacement.begin(), replacement.end(), out.begin() + static_cast<std::ptrdiff_t>(used));
        used += replacement.size();
    }
    out.resize(used);
    return out;
}

std::optional<std::u16string> DoubleByteToWide(int codePage, std::string_view text) {
    std::lock_guard guard(IconvLock());
    TIconvPair* p = IconvFor(codePage);
    if (p == nullptr || !Usable(p->ToWide)) return std::nullopt;
    const std::string bytes = IconvAll(p->ToWide, std::string(text), 1, std::string_view("?\0", 2),
                                       text.size() * 2 + 8);
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return out;
}

std::optional<std::string> WideToDoubleByte(int codePage, std::u16string_view text) {
    std::lock_guard guard(IconvLock());
    TIconvPair* p = IconvFor(codePage);
    if (p == nullptr || !Usable(p->FromWide)) return std::nullopt;
    std::string bytes(text.size() * 2, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return IconvAll(p->FromWide, bytes, 2, "?", text.size() * 2 + 8);
}

}  // namespace

bool IsDoubleByteCodePage(int codePage) { return IconvName(codePage) != nullptr; }

bool IsValidCodePage(int codePage) {
    if (FindSingleByteTable(codePage) != nullptr) return true;
    if (!IsDoubleByteCodePage(codePage)) return false;
    std::lock_guard guard(IconvLock());
    TIconvPair* p = IconvFor(codePage);
    return p != nullptr && Usable(p->ToWide) && Usable(p->FromWide);
}

std::optional<std::u16string> MultiByteToWide(int codePage, std::string_view text) {
    if (const TSingleByteTable* table = FindSingleByteTable(codePage)) return SingleByteToWide(*table, text);
    if (IsDoubleByteCodePage(codePage)) {
        if (text.empty()) return std::u16string();
        return DoubleByteToWide(codePage, text);
    }
    return std::nullopt;
}

std::optional<std::string> WideToMultiByte(int codePage, std::u16string_view text) {
    if (const TSingleByteTable* table = FindSingleByteTable(codePage)) return WideToSingleByte(*table, text);
    if (IsDoubleByteCodePage(codePage)) {
        if (text.empty()) return std::string();
        return WideToDoubleByte(codePage, text);
    }
    return std::nullopt;
}

std::optional<int> CharsetOfCodePage(int codePage) {
    switch (codePage) {
        case 874: return THAI_CHARSET;
        case 932: return SHIFTJIS_CHARSET;
        case 936: return GB2312_CHARSET;
        case 949: return HANGEUL_CHARSET;
        case 950: return CHINESEBIG5_CHARSET;
        case 1250: return EASTEUROPE_CHARSET;
        case 1251: return RUSSIAN_CHARSET;
        case 1252: return ANSI_CHARSET;
        case 1253: return GREEK_CHARSET;
        case 1254: return TURKISH_CHARSET;
        case 1255: return HEBREW_CHARSET;
        case 1256: return ARABIC_CHARSET;
        case 1257: return BALTIC_CHARSET;
        case 1258: return VIETNAMESE_CHARSET;
        default: return std::nullopt;
    }
}

char16_t LowerChar(char16_t ch) {
    const unsigned c = ch;
    auto pairLower = [c]() { return static_cast<char16_t>(c | 1U); };        // upper even, lower odd
    auto pairLowerOdd = [c]() { return static_cast<char16_t>((c & 1U) ? c + 1 : c); };  // upper odd
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c + 0x20) : ch;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
    if (c >= 0x0100 && c <= 0x0137) return (c == 0x0130) ? u'i' : pairLower();
    if (c >= 0x0139 && c <= 0x0148) return pairLowerOdd();
    if (c >= 0x014A && c <= 0x0177) return pairLower();
    if (c == 0x0178) return 0x00FF;
    if (c >= 0x0179 && c <= 0x017E) return pairLowerOdd();
    if (c >= 0x01CD && c <= 0x01DC) return pairLowerOdd();
    if (c >= 0x01DE && c <= 0x01EF) return pairLower();
    if (c >= 0x01F8 && c <= 0x021F) return pairLower();
    if (c >= 0x0222 && c <= 0x0233) return pairLower();
    if (c == 0x0386) return 0x03AC;
    if (c >= 0x0388 && c <= 0x038A) return static_cast<char16_t>(c + 0x25);
    if (c == 0x038C) return 0x03CC;
    if (c == 0x038E || c == 0x038F) return static_cast<char16_t>(c + 0x3F);
    if (c >= 0x0391 && c <= 0x03AB && c != 0x03A2) return static_cast<char16_t>(c + 0x20);
    if (c >= 0x0400 && c <= 0x040F) return static_cast<char16_t>(c + 0x50);
    if (c >= 0x0410 && c <= 0x042F) return static_cast<char16_t>(c + 0x20);
    if (c >= 0x0460 && c <= 0x0481) return pairLower();
    if (c >= 0x048A && c <= 0x04BF) return pairLower();
    if (c >= 0x04C1 && c <= 0x04CE) return pairLowerOdd();
    if (c >= 0x04D0 && c <= 0x052F) return pairLower();
    if (c >= 0x0531 && c <= 0x0556) return static_cast<char16_t>(c + 0x30);
    if (c >= 0x10A0 && c <= 0x10C5) return static_cast<char16_t>(c + 0x1C60);  // Georgian capitals
    if (c >= 0x1E00 && c <= 0x1E95) return pairLower();
    if (c >= 0x1EA0 && c <= 0x1EFF) return pairLower();
    if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<char16_t>(c + 0x20);
    return ch;
}

std::u16string LowerCase(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& ch : out) ch = LowerChar(ch);
    return out;
}

int CharType2(char16_t ch) {
    const unsigned c = ch;
    if (c >= 0x0660 && c <= 0x0669) return C2_ARABICNUMBER;
    if (c >= 0x06F0 && c <= 0x06F9) return C2_EUROPENUMBER;  // Extended Arabic-Indic digits
    if ((c >= 0x0590 && c <= 0x08FF) || c == 0x200F || (c >= 0xFB1D && c <= 0xFDFF) ||
        (c >= 0xFE70 && c <= 0xFEFE)) {
        // Hebrew and Arabic points and marks are not letters; they take no direction.
        if ((c >= 0x0591 && c <= 0x05BD) || c == 0x05BF || c == 0x05C1 || c == 0x05C2 || c == 0x05C4 ||
            c == 0x05C5 || c == 0x05C7 || (c >= 0x064B && c <= 0x065F) || c == 0x0670) {
            return C2_NOTAPPLICABLE;
        }
        return C2_RIGHTTOLEFT;
    }
    if ((c >= '0' && c <= '9') || c == 0x00B2 || c == 0x00B3 || c == 0x00B9) return C2_EUROPENUMBER;
    if (c == ' ' || c == 0x0C || c == 0x00A0 || (c >= 0x2000 && c <= 0x200A) || c == 0x3000) return C2_WHITESPACE;
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return C2_NOTAPPLICABLE;
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == 0xAA || c == 0xB5 || c == 0xBA ||
        (c >= 0xC0 && c <= 0x024F && c != 0xD7 && c != 0xF7) || (c >= 0x0370 && c <= 0x058F) ||
        (c >= 0x0900 && c <= 0x1FFF) || (c >= 0x3040 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFB1C) ||
        (c >= 0xFF21 && c <= 0xFF5A)) {
        return C2_LEFTTORIGHT;
    }
    return C2_OTHERNEUTRAL;
}

}  // namespace nls
