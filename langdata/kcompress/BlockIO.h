#pragma once
// Internal to langdata/kcompress: reading and writing streams in large blocks while the coders
// take and give bytes in small pieces.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/rtl/Streams.h"

namespace langdata {

// Small streams get small blocks: most language files are a few kilobytes.
inline std::int32_t BlockSizeFor(std::int64_t streamBytes) {
    constexpr std::int32_t kMinBlockSize = 4 * 1024;
    constexpr std::int32_t kMaxBlockSize = 64 * 1024;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(streamBytes, kMinBlockSize, kMaxBlockSize));
}

// Reads a stream in large blocks and hands the bytes out in small pieces.
class TBlockReader {
public:
    TBlockReader(rtl::TStream& stream, std::int32_t blockSize)
        : stream_(stream),
          buf_(std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(blockSize))),
          blockSize_(blockSize),
          base_(stream.Position()) {}

    std::int32_t Available() const { return len_ - pos_; }
    const std::uint8_t* Ptr() const { return buf_.get() + pos_; }
    const std::uint8_t* End() const { return buf_.get() + len_; }
    void Skip(std::int32_t n) { pos_ += n; }
    // Position in the stream of the next byte handed out.
    std::int64_t LogicalPosition() const { return base_ + pos_; }

    // Makes at least n (<= the block size) bytes available when the stream still has them.
    bool Ensure(std::int32_t n) {
        if (len_ - pos_ >= n) return true;
        if (eof_) return false;
        return Refill(n);
    }

private:
    bool Refill(std::int32_t n) {
        std::int32_t left = len_ - pos_;
        if (left > 0) std::memmove(buf_.get(), buf_.get() + pos_, static_cast<std::size_t>(left));
        base_ += pos_;
        pos_ = 0;
        len_ = left;
        while (len_ < n && !eof_) {
            std::int64_t got = stream_.Read(buf_.get() + len_, blockSize_ - len_);
            if (got <= 0) eof_ = true;
            else len_ += static_cast<std::int32_t>(got);
        }
        return len_ >= n;
    }

    rtl::TStream& stream_;
    std::unique_ptr<std::uint8_t[]> buf_;
    std::int32_t blockSize_;
    std::int64_t base_;
    std::int32_t pos_ = 0;
    std::int32_t len_ = 0;
    bool eof_ = false;
};

// Collects small writes and passes them on in large blocks.
class TBlockWriter {
public:
    TBlockWriter(rtl::TStream& stream, std::int32_t blockSize)
        : stream_(stream),
          buf_(std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(blockSize))),
          blockSize_(blockSize) {}

    // Room for at least n (<= 256) more bytes.
    std::uint8_t* Reserve(std::int32_t n) {
        if (blockSize_ - len_ < n) Flush();
        return buf_.get() + len_;
    }
    void Commit(std::int32_t n) { len_ += n; }
    void Flush() {
        if (len_ > 0) stream_.WriteBuffer(buf_.get(), len_);
        len_ = 0;
    }

private:
    rtl::TStream& stream_;
    std::unique_ptr<std::uint8_t[]> buf_;
    std::int32_t blockSize_;
    std::int32_t len_ = 0;
};

}  // namespace langdata
