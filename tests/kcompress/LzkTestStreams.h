#pragma once
// Streams for the LZK tests: a source that is not a memory stream and hands out a few bytes per
// read, as a pipe may, so the decoder takes its block-reading path.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/rtl/Streams.h"

namespace lzktest {

// Reads at most `chunk` bytes per call and remembers the largest read asked of it.
class TTrickleStream : public rtl::TStream {
public:
    explicit TTrickleStream(std::vector<std::uint8_t> bytes, std::int64_t chunk = 7)
        : bytes_(std::move(bytes)), chunk_(chunk) {}

    std::int64_t Read(void* buffer, std::int64_t count) override {
        largestRequest = std::max(largestRequest, count);
        const std::int64_t left = static_cast<std::int64_t>(bytes_.size()) - position_;
        const std::int64_t n = std::max<std::int64_t>(0, std::min({count, chunk_, left}));
        if (n > 0) std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(n));
        position_ += n;
        return n;
    }
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, rtl::TSeekOrigin origin) override {
        std::int64_t base = origin == rtl::TSeekOrigin::soBeginning ? 0
                            : origin == rtl::TSeekOrigin::soCurrent ? position_
                                                                    : static_cast<std::int64_t>(bytes_.size());
        position_ = std::max<std::int64_t>(0, base + offset);
        return position_;
    }
    void SetSize(std::int64_t) override {}

    std::int64_t largestRequest = 0;

private:
    std::vector<std::uint8_t> bytes_;
    std::int64_t chunk_;
    std::int64_t position_ = 0;
};

}  // namespace lzktest
