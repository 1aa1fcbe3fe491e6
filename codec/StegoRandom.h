#pragma once
// Where LSB matching takes its coin tosses from. The program always uses the system's
// cryptographic random source; tests hand the codec a seeded source so that a run can be
// repeated. Nothing outside the tests can choose the seed.

#include <cstdint>
#include <memory>
#include <span>

#include "platform/rtl/ResString.h"

namespace codec {

VLMRK_RESSTRING(SRandomSourceFailed, 65324, "StegoRandom", "The system's random source cannot be read");

class TRandomSource {
public:
    virtual ~TRandomSource() = default;
    // Fills the buffer with random bytes; raises when the source fails.
    virtual void Fill(std::span<std::uint8_t> out) = 0;
};

// The system's source for one embedding: a ChaCha20 key stream (libsodium's XChaCha20) under a
// fresh 256-bit key from getrandom(2), the kernel's cryptographic source. The kernel's own
// generator is built the same way; taking the key once keeps a full embedding (a random byte for
// every eight carriers) from spending most of its time in system calls.
std::unique_ptr<TRandomSource> NewSystemRandom();

// getrandom(2) itself, for the key above and whoever needs a few bytes.
void FillFromKernel(std::span<std::uint8_t> out);

// A repeatable source (xoshiro256** seeded through splitmix64), for tests only.
class TSeededRandom : public TRandomSource {
public:
    explicit TSeededRandom(std::uint64_t seed);
    void Fill(std::span<std::uint8_t> out) override;

private:
    std::uint64_t Next();
    std::uint64_t s_[4];
};

}  // namespace codec
