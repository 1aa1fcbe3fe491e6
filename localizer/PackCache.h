#pragma once
// Languages of the embedded pack, decoded once and kept between switches. A switch to a pack
// language needs the language's file (for a new store language) or at least its header (the
// module reuse check); decompressing the block again on every switch cost as much as the rest
// of reading the pack.
//
// A cached language is found by the pack's identity (its length and a hash of all its bytes, so
// another image installed under the same module handle is another pack) and the language id
// asked for (0, the pack's first language, is a key of its own). With the language the cache
// keeps the pack's directory, so a hit catalogues exactly what a read would. Blocks that did
// not decode are never kept.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "langdata/LangPack.h"

namespace localizer {

struct TDecodedPackLanguage {
    std::vector<langdata::TLangPackEntry> Directory;
    std::vector<std::uint8_t> File;  // the language file, decompressed
};

class TPackCache {
public:
    // At most this many languages are kept (the oldest goes first); a file larger than
    // kMaxFileSize is not kept at all.
    static constexpr std::size_t kMaxLanguages = 16;
    static constexpr std::size_t kMaxFileSize = 16u << 20;

    struct TKey {
        std::size_t PackSize = 0;
        std::uint64_t PackHash = 0;
        std::uint32_t LanguageId = 0;
        bool operator==(const TKey&) const = default;
    };
    static TKey KeyOf(std::span<const std::uint8_t> pack, std::uint32_t languageId);

    // Null when the language of that pack was not kept.
    const TDecodedPackLanguage* Find(const TKey& key) const;
    void Keep(const TKey& key, TDecodedPackLanguage language);
    void Clear() { entries_.clear(); }
    std::size_t Count() const { return entries_.size(); }

private:
    struct TEntry {
        TKey Key;
        TDecodedPackLanguage Language;
    };
    std::vector<TEntry> entries_;
};

}  // namespace localizer
