#include "localizer/PackCache.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace localizer {

namespace {

// 64-bit FNV-1a over 8-byte words (and the tail byte by byte): tens of kilobytes cost a few
// microseconds, against a decompression of the block.
std::uint64_t HashBytes(std::span<const std::uint8_t> bytes) {
    constexpr std::uint64_t kPrime = 0x100000001B3ull;
    std::uint64_t hash = 0xCBF29CE484222325ull;
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        hash = (hash ^ word) * kPrime;
    }
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
