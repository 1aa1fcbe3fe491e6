#pragma once
// Internal to langdata/kcompress: the LZK token decoder behind DecompressLZKStream.
//
// Output goes into one straight buffer: the 2048 bytes of history a match can reach (zeros
// before the first byte), then a block of new output, then a margin that the fast loop's
// fixed-size copies may spill into. When the block is full it goes to the destination stream
// and its last 2048 bytes move to the front as the new history. No index ever wraps.

#include <cstdint>
#include <memory>

#include "platform/rtl/Streams.h"

namespace langdata {

class TLzkDecoder {
public:
    // The bytes a match may reach back: 2047, rounded up.
    static constexpr std::int32_t kHistory = 2048;
    // The most bytes one token takes (a literal run of 127).
    static constexpr std::int32_t kMaxTokenBytes = 128;
    // Input the fast loop wants in front of a token: the longest token and its copy's overrun.
    static constexpr std::int32_t kInputMargin = kMaxTokenBytes + 32;

    // blockSize (>= kHistory): the output gathered before each write to dest.
    TLzkDecoder(rtl::TStream& dest, std::int32_t blockSize);

    // Decodes whole tokens from [p, end) while at least kInputMargin bytes remain, so no token
    // is cut and every fixed-size read stays inside [p, end). Answers where it stopped.
    const std::uint8_t* DecodeRun(const std::uint8_t* p, const std::uint8_t* end);
    // Decodes the one token at p, which the end may cut: a cut match gives nothing, a cut
    // literal run the bytes that are there. Answers where it stopped. Requires p < end.
    const std::uint8_t* DecodeOne(const std::uint8_t* p, const std::uint8_t* end);
    // Writes the output not written yet.
    void Finish();

private:
    void Flush(std::uint8_t*& out);
    std::uint8_t* BlockStart() const { return buffer_.get() + kHistory; }

    rtl::TStream& dest_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::uint8_t* out_;       // where the next byte goes
    std::uint8_t* flushAt_;   // a token starting at or past this point first writes the block out
};

}  // namespace langdata
