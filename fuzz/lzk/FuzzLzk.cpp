// Fuzz target for LZK. The first byte picks what the rest is:
//   even  a token stream: decoded behind a valid header, and as it is (it may lack the header)
//   odd   plain bytes: compressed, and the round trip must give them back exactly
// The decoder must stay inside its buffers whatever the tokens say.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "langdata/kcompress/kcompress.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::span<const std::uint8_t> rest(data + 1, size - 1);
    if ((data[0] & 1) == 0) {
        std::vector<std::uint8_t> stream = {'L', 'Z', 'K', '0', '0', 0, 0, 0, 0};
        stream.insert(stream.end(), rest.begin(), rest.end());
        rtl::TReadOnlyStream withHeader(stream);
        rtl::TMemoryStream out;
        langdata::DecompressLZKStream(withHeader, out);

        rtl::TReadOnlyStream raw(rest);
        if (langdata::IsLZKStream(raw)) {
            rtl::TMemoryStream out2;
            langdata::DecompressLZKStream(raw, out2);
        } else {
            try {
                rtl::TMemoryStream out2;
                langdata::DecompressLZKStream(raw, out2);
                std::abort();  // a stream without the header must be refused
            } catch (const langdata::EKCompressError&) {
            }
        }
    } else {
        rtl::TReadOnlyStream plain(rest);
        rtl::TMemoryStream packed;
        langdata::CompressLZKStream(plain, packed);
        rtl::TMemoryStream unpacked;
        langdata::DecompressLZKStream(packed, unpacked);
        const auto& back = unpacked.Bytes();
        if (back.size() != rest.size() || !std::equal(back.begin(), back.end(), rest.begin())) std::abort();
    }
    return 0;
}
