// Fuzz target for LZK. The first byte picks what the rest is:
//   even  a token stream: decoded behind a valid header, and as it is (it may lack the header)
//   odd   plain bytes: compressed, and the round trip must give them back exactly
// The decoder must stay inside its buffers whatever the tokens say.
//
// A few bytes of tokens can ask for megabytes of output (every match may copy up to 2045 bytes),
// and writing those under the sanitizers is what made this target slow: decoded output is capped
// at 64 KiB, beyond which the stream refuses to grow. The decoder's logic is the same for every
// length, so nothing is lost to the cap.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "langdata/kcompress/kcompress.h"

namespace {

class TCappedStream : public rtl::TMemoryStream {
public:
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        if (Position() + count > kCap) throw TCapReached();
        return rtl::TMemoryStream::Write(buffer, count);
    }
    struct TCapReached {};

private:
    static constexpr std::int64_t kCap = 64 * 1024;
};

// Decodes into a capped stream; output beyond the cap ends the decoding quietly.
void DecodeCapped(rtl::TStream& in) {
    TCappedStream out;
    try {
        langdata::DecompressLZKStream(in, out);
    } catch (const TCappedStream::TCapReached&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::span<const std::uint8_t> rest(data + 1, size - 1);
    if ((data[0] & 1) == 0) {
        std::vector<std::uint8_t> stream = {'L', 'Z', 'K', '0', '0', 0, 0, 0, 0};
        stream.insert(stream.end(), rest.begin(), rest.end());
        rtl::TReadOnlyStream withHeader(stream);
        DecodeCapped(withHeader);

        rtl::TReadOnlyStream raw(rest);
        if (langdata::IsLZKStream(raw)) {
            DecodeCapped(raw);
        } else {
            try {
                TCappedStream out2;
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
