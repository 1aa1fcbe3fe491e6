#include "platform/winres/StringBlock.h"

namespace winres {

bool TStringBlockReader::Next(std::u16string& text) {
    if (position_ + 1 >= kStringsPerBlock || !cursor_.ReadCountedUtf16(text)) return false;
    ++position_;
    return true;
}

bool TStringBlockReader::Skip() {
    const std::uint64_t start = cursor_.Position();
    std::uint16_t length = 0;
    if (position_ + 1 >= kStringsPerBlock || !cursor_.ReadU16(length)) return false;
    if (!cursor_.Skip(2ull * length)) {
        (void)cursor_.Seek(start);
        return false;
    }
    ++position_;
    return true;
}

std::optional<std::u16string> StringInBlock(TBytes block, int position) {
    if (position < 0 || position >= kStringsPerBlock) return std::nullopt;
    TStringBlockReader reader(block);
    for (int k = 0; k < position; ++k)
        if (!reader.Skip()) return std::nullopt;
    std::u16string text;
    if (!reader.Next(text) || text.empty()) return std::nullopt;
    return text;
}

}  // namespace winres
