#include "platform/bitmap/BmpStream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/rtl/FileUtils.h"

namespace bitmap {

namespace {

// The file became shorter since its headers were checked.
[[noreturn]] void CutShort() {
    throw EInvalidGraphic(EInvalidGraphic::CreateRes, SInvalidBitmap).WithCode("bmp.file.short");
}

// Positioned read of exactly dest.size() bytes; a file that became shorter since its headers
// were checked is a damaged file.
void ReadAt(int fd, std::uint64_t offset, std::span<std::uint8_t> dest) {
    std::size_t done = 0;
    while (done < dest.size()) {
        const ssize_t n = ::pread(fd, dest.data() + done, dest.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) CutShort();
        done += static_cast<std::size_t>(n);
    }
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads and writes through a buffer, for systems or file pairs that cannot copy between files.
bool CopyThroughMemory(int in, std::uint64_t offset, int out, std::uint64_t count) {
    const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(count, 1u << 20));
    std::unique_ptr<std::uint8_t[]> buffer = std::make_unique_for_overwrite<std::uint8_t[]>(chunk);
    while (count > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, chunk));
        ReadAt(in, offset, {buffer.get(), n});
        if (!WriteAll(out, {buffer.get(), n})) return false;
        offset += n;
        count -= n;
    }
    return true;
}

// Copies count bytes from offset of `in` to the current position of `out`.
bool CopyRange(int in, std::uint64_t offset, int out, std::uint64_t count) {
    auto from = static_cast<off_t>(offset);
    while (count > 0) {
        const ssize_t n = ::copy_file_range(in, &from, out, nullptr, count, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            return CopyThroughMemory(in, static_cast<std::uint64_t>(from), out, count);
        if (n < 0) return false;
        if (n == 0) CutShort();
        count -= static_cast<std::uint64_t>(n);
    }
    return true;
}

}  // namespace

TBmpRowReader::TBmpRowReader(const AnsiString& fileName)
    : fileName_(fileName), file_(fileName, rtl::TFileMode::fmOpenRead), headers_(ReadBmpHeaders(file_)) {
    // The loader's checks of what follows the headers; run-length data is checked by decoding it,
    // which only the loader does.
    if (RowsReadable()) CheckPixelExtent(headers_);
    CheckProfileExtent(headers_);
}

std::uint64_t TBmpRowReader::RowOffset(int row) const {
    const std::uint64_t fileRow = headers_.Info.TopDown ? static_cast<std::uint64_t>(row)
                                                        : static_cast<std::uint64_t>(headers_.Height - 1 - row);
    return headers_.OffBits + fileRow * headers_.RowBytes;
}

void TBmpRowReader::ReadRowPart(int row, std::uint64_t offset, std::span<std::uint8_t> dest) {
    if (!RowsReadable() || row < 0 || row >= Height() || offset > RowBytes() || dest.size() > RowBytes() - offset)
        throw EInvalidGraphic(EInvalidGraphic::CreateRes, SScanLineRange);
    ReadAt(file_.Handle(), static_cast<std::uint64_t>(headers_.Start) + RowOffset(row) + offset, dest);
}

void TBmpRowReader::ReadRows(int top, int count, std::span<std::uint8_t> dest) {
    const std::size_t rowBytes = RowBytes();
    if (!RowsReadable() || top < 0 || count < 0 || count > Height() - top ||
        dest.size() != rowBytes * static_cast<std::size_t>(count))
        throw EInvalidGraphic(EInvalidGraphic::CreateRes, SScanLineRange);
    if (count == 0) return;
    // The rows lie next to each other in the file, in one order or the other.
    const int first = headers_.Info.TopDown ? top : top + count - 1;
    ReadAt(file_.Handle(), static_cast<std::uint64_t>(headers_.Start) + RowOffset(first), dest);
    if (!headers_.Info.TopDown) {
        std::vector<std::uint8_t> swap(rowBytes);
        for (int a = 0, b = count - 1; a < b; ++a, --b) {
            std::uint8_t* ra = dest.data() + static_cast<std::size_t>(a) * rowBytes;
            std::uint8_t* rb = dest.data() + static_cast<std::size_t>(b) * rowBytes;
            std::memcpy(swap.data(), ra, rowBytes);
            std::memcpy(ra, rb, rowBytes);
            std::memcpy(rb, swap.data(), rowBytes);
        }
    }
}

void SaveBmpWithRows(const TBmpRowReader& source, int top, std::span<const std::uint8_t> rows,
                     const AnsiString& fileName, const rtl::TWrittenFileCheck& check) {
    const TBmpHeaders& h = source.Headers();
    const std::uint64_t rowBytes = source.RowBytes();
    const std::uint64_t count = rowBytes == 0 ? 0 : rows.size() / rowBytes;
    if (!source.RowsReadable() || top < 0 || rows.size() != count * rowBytes ||
        count > static_cast<std::uint64_t>(h.Height - top))
        throw EInvalidGraphic(EInvalidGraphic::CreateRes, SScanLineRange);
    const std::vector<std::uint8_t> head = EncodeBmpHeaders(h, h.ProfileSize);
    const auto height = static_cast<std::uint64_t>(h.Height);
    const std::uint64_t start = static_cast<std::uint64_t>(h.Start);
    const std::uint64_t pixels = start + h.OffBits;
    // The replaced rows as file rows [first, first + count).
    const std::uint64_t first = h.Info.TopDown ? static_cast<std::uint64_t>(top) : height - top - count;
    const int in = source.Handle();
    rtl::SaveFileAtomically(fileName, [&](int out) {
        if (!WriteAll(out, head)) return false;
        if (!CopyRange(in, pixels, out, first * rowBytes)) return false;
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint64_t row = h.Info.TopDown ? i : count - 1 - i;
            if (!WriteAll(out, rows.subspan(row * rowBytes, rowBytes))) return false;
        }
        const std::uint64_t after = first + count;
        if (!CopyRange(in, pixels + after * rowBytes, out, (height - after) * rowBytes)) return false;
        return CopyRange(in, start + static_cast<std::uint64_t>(h.ProfileAt), out, h.ProfileSize);
    }, check);
}

}  // namespace bitmap
