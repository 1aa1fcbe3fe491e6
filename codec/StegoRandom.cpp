#include "codec/StegoRandom.h"

#include <sodium.h>
#include <sys/random.h>

#include <cerrno>
#include <cstring>

#include "platform/rtl/Exception.h"

namespace codec {

namespace {

// One key, and a nonce counted up for every block asked for.
class TSystemRandom : public TRandomSource {
public:
    TSystemRandom() {
        if (sodium_init() < 0) throw rtl::Exception(rtl::Exception::CreateRes, SRandomSourceFailed);
        FillFromKernel(key_);
    }
    ~TSystemRandom() override { sodium_memzero(key_, sizeof key_); }

    void Fill(std::span<std::uint8_t> out) override {
        std::uint8_t nonce[crypto_stream_xchacha20_NONCEBYTES] = {};
        std::memcpy(nonce, &counter_, sizeof counter_);
        ++counter_;
        crypto_stream_xchacha20(out.data(), out.size(), nonce, key_);
    }

private:
    std::uint8_t key_[crypto_stream_xchacha20_KEYBYTES];
    std::uint64_t counter_ = 0;
};

std::uint64_t SplitMix(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

}  // namespace

void FillFromKernel(std::span<std::uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::getrandom(out.data() + done, out.size() - done, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw rtl::Exception(rtl::Exception::CreateRes, SRandomSourceFailed);
        done += static_cast<std::size_t>(n);
    }
}

std::unique_ptr<TRandomSource> NewSystemRandom() { return std::make_unique<TSystemRandom>(); }

TSeededRandom::TSeededRandom(std::uint64_t seed) {
    for (auto& s : s_) s = SplitMix(seed);
}

std::uint64_t TSeededRandom::Next() {
    const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
}

void TSeededRandom::Fill(std::span<std::uint8_t> out) {
    std::size_t i = 0;
    for (; i + 8 <= out.size(); i += 8) {
        const std::uint64_t v = Next();
        std::memcpy(out.data() + i, &v, 8);
    }
    if (i < out.size()) {
        const std::uint64_t v = Next();
        std::memcpy(out.data() + i, &v, out.size() - i);
    }
}

}  // namespace codec
