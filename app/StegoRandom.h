#pragma once
// Where LSB matching takes its coin tosses from. The program always uses the system's
// cryptographic random source; tests hand the codec a seeded source so that a run can be
// repeated. Nothing outside the tests can choose the seed.

#include <cstdint>
#include <iterator>
#include <span>

#include "platform/rtl/ResString.h"

namespace app {

VLMRK_RESSTRING(SRandomSourceFailed, 65324, "StegoRandom", "The system's random source cannot be read");

class TRandomSource {
public:
    virtual ~TRandomSource() = default;
    // Fills the buffer with random bytes; raises when the source fails.
    virtual void Fill(std::span<std::uint8_t> out) = 0;
};

// getrandom(2): the kernel's cryptographic random source.
TRandomSource& SystemRandom();

// A repeatable source (xoshiro256** seeded through splitmix64), for tests only.
class TSeededRandom : public TRandomSource {
public:
    explicit TSeededRandom(std::uint64_t seed);
    void Fill(std::span<std::uint8_t> out) override;

private:
    std::uint64_t Next();
    std::uint64_t s_[4];
};

// Single random bits, drawn from a source a block at a time.
class TCoinTosses {
public:
    explicit TCoinTosses(TRandomSource& source) : source_(source) {}
    unsigned Next() {
        if (left_ == 0) Refill();
        const unsigned bit = static_cast<unsigned>(word_ & 1u);
        word_ >>= 1;
        --left_;
        return bit;
    }

private:
    void Refill();

    TRandomSource& source_;
    std::uint64_t block_[512];
    std::size_t next_ = std::size(block_);
    std::uint64_t word_ = 0;
    int left_ = 0;
};

}  // namespace app
