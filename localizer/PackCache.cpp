#include "localizer/PackCache.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace localizer {

namespace {

// FNV-1a over 8-byte words in four interleaved lanes (a single chain waits on each multiply;
// four keep the multiplier busy), then the tail byte by byte: the whole pack is hashed on every
// switch to a pack language, so this is a few microseconds instead of a dozen.
std::uint64_t HashBytes(std::span<const std::uint8_t> bytes) {
    constexpr std::uint64_t kPrime = 0x100000001B3ull;
    std::uint64_t lanes[4] = {0xCBF29CE484222325ull, 0x84222325CBF29CE4ull, 0x9CE484222325CBF2ull,
                              0x2325CBF29CE48422ull};
    std::size_t i = 0;
    for (; i + 32 <= bytes.size(); i += 32) {
        for (int lane = 0; lane < 4; ++lane) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + i + 8 * lane, 8);
            lanes[lane] = (lanes[lane] ^ word) * kPrime;
        }
    }
    std::uint64_t hash = lanes[0];
    for (int lane = 1; lane < 4; ++lane) hash = (hash ^ lanes[lane]) * kPrime;
    for (; i < bytes.size(); ++i) hash = (hash ^ bytes[i]) * kPrime;
    return hash;
}

}  // namespace

TPackCache::TKey TPackCache::KeyOf(std::span<const std::uint8_t> pack, std::uint32_t languageId) {
    return TKey{pack.size(), HashBytes(pack), languageId};
}

const TDecodedPackLanguage* TPackCache::Find(const TKey& key) const {
    auto it = std::find_if(entries_.begin(), entries_.end(), [&key](const TEntry& e) { return e.Key == key; });
    return it == entries_.end() ? nullptr : &it->Language;
}

void TPackCache::Keep(const TKey& key, TDecodedPackLanguage language) {
    if (language.File.size() > kMaxFileSize) return;
    std::erase_if(entries_, [&key](const TEntry& e) { return e.Key == key; });
    if (entries_.size() >= kMaxLanguages) entries_.erase(entries_.begin());
    entries_.push_back({key, std::move(language)});
}

}  // namespace localizer
