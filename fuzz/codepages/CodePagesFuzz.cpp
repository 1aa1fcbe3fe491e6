// Code-page conversions on arbitrary input: the first byte picks the code page, the rest is read
// both as 8-bit text and as UTF-16 (unpaired surrogates included). Nothing may crash, and the
// single-byte code pages must give back every byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "locstore/KLocales.h"
#include "locstore/KStrings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr int kCodePages[] = {0, 874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256,
                                         1257, 1258, 65001};
    if (size == 0) return 0;
    const int codePage = kCodePages[data[0] % std::size(kCodePages)];
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    std::u16string wide;
    for (std::size_t i = 1; i + 1 < size; i += 2) wide.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

    const std::u16string w = locstore::AnsiToWide(bytes, codePage);
    const std::string a = locstore::WideToAnsi(w, codePage);
    if (codePage >= 874 && codePage != 932 && codePage != 936 && codePage != 949 && codePage != 950 &&
        codePage != 65001 && a != bytes) {
        std::abort();
    }
    (void)locstore::WideToAnsi(wide, codePage);
    (void)locstore::PosText(bytes.substr(0, bytes.size() / 3), bytes);
    return 0;
}
