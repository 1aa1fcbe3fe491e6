// Fuzz target for encrypted hidden texts. The first byte picks what the rest is:
//   even  the text after the version 1 prefix (base64 and whatever else)
//   odd   the whole text, prefix included
// Opening must refuse every one with its own error and read nothing outside the text.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "codec/PassphraseCrypto.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string text = (data[0] & 1) == 0 ? std::string(codec::SealedTextPrefix) + rest : rest;
    try {
        codec::OpenSealedText(text, "fuzz");
        std::abort();  // only a text sealed under "fuzz" opens, and the fuzzer cannot make one
    } catch (const codec::EPassphraseError&) {
    }
    return 0;
}
