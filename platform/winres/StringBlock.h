#pragma once
// The one decoder of string-table blocks. A block (resource type 6, name = block number n) holds
// the strings with ids (n - 1) x 16 to (n - 1) x 16 + 15: up to 16 records, each a 16-bit length
// and that many UTF-16 units, an empty position having length 0. Reading stops after the 16th
// record, at the end of the data, or at a record cut short; the records before it stand.
// Used by the module loader's string lookup (WinRes) and by the resource blocks (modres).

#include <optional>
#include <string>

#include "platform/winres/ByteCursor.h"

namespace winres {

inline constexpr int kStringsPerBlock = 16;

class TStringBlockReader {
public:
    explicit TStringBlockReader(TBytes block) : cursor_(block) {}

    // Reads the next record into `text` (empty for an empty position). False when the block is
    // done: 16 records read, no more data, or the record is cut short.
    [[nodiscard]] bool Next(std::u16string& text);
    // Steps over the next record without decoding it; false as for Next.
    [[nodiscard]] bool Skip();
    // The position (0..15) of the record last read or skipped; -1 before the first.
    int Position() const { return position_; }

private:
    TByteCursor cursor_;
    int position_ = -1;
};

// The text at a position of a block; nothing when the position is empty, outside 0..15, or lies
// at or after a record that is cut short.
std::optional<std::u16string> StringInBlock(TBytes block, int position);

}  // namespace winres
