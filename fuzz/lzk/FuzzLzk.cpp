// Fuzz target for LZK. The first byte picks what the rest is:
//   even  a token stream: decoded behind a valid header, both in place from memory and in
//         blocks from a stream that is not in memory (the two must agree), and as it is (it may
//         lack the header)
//   odd   plain bytes: compressed, and the round trip must give them back exactly
// The decoder must stay inside its buffers whatever the tokens say.
//
// A few bytes of tokens can ask for megabytes of output (every match may copy up to 2045 bytes),
// and writing those under the sanitizers is what made this target slow: decoded output is capped
// at 64 KiB, beyond which the stream refuses to grow. The decoder's logic is the same for every
// length, so nothing is lost to the cap.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

// A source that is not a memory stream, handing out odd-sized pieces, so the decoder reads it
// in blocks.
class TPieceStream : public rtl::TStream {
public:
    explicit TPieceStream(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::int64_t Read(void* buffer, std::int64_t count) override {
        const auto left = static_cast<std::int64_t>(bytes_.size()) - position_;
        const std::int64_t n = std::max<std::int64_t>(0, std::min<std::int64_t>({count, 977, left}));
        if (n > 0) std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(n));
        position_ += n;
        return n;
    }
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, rtl::TSeekOrigin origin) override {
        const std::int64_t base = origin == rtl::TSeekOrigin::soBeginning ? 0
                                  : origin == rtl::TSeekOrigin::soCurrent ? position_
                                                                          : static_cast<std::int64_t>(bytes_.size());
        position_ = std::max<std::int64_t>(0, base + offset);
        return position_;
    }
    void SetSize(std::int64_t) override {}

private:
    std::span<const std::uint8_t> bytes_;
    std::int64_t position_ = 0;
};

// Decodes into a capped stream; output beyond the cap ends the decoding quietly. Answers what
// was written (a whole output block past the cap is refused, so the cut is the same for every
// source).
std::vector<std::uint8_t> DecodeCapped(rtl::TStream& in) {
    TCappedStream out;
    try {
        langdata::DecompressLZKStream(in, out);
    } catch (const TCappedStream::TCapReached&) {
    }
    return out.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::span<const std::uint8_t> rest(data + 1, size - 1);
    if ((data[0] & 1) == 0) {
        std::vector<std::uint8_t> stream = {'L', 'Z', 'K', '0', '0', 0, 0, 0, 0};
        stream.insert(stream.end(), rest.begin(), rest.end());
        rtl::TReadOnlyStream withHeader(stream);
        TPieceStream inPieces(stream);
        if (DecodeCapped(withHeader) != DecodeCapped(inPieces)) std::abort();

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
