#include "tools/vlmrk-tool/PngWrite.h"

#include <zlib.h>

#include <climits>
#include <cstring>

#include "platform/rtl/Exception.h"

namespace tool {

namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// A chunk: length, type, data, and the CRC of type and data.
void PutChunk(std::vector<std::uint8_t>& out, const char (&type)[5], const std::vector<std::uint8_t>& data) {
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), out.data() + typeAt, static_cast<uInt>(out.size() - typeAt));
    PutU32(out, static_cast<std::uint32_t>(crc));
}

// The image data: each row as filter byte 0 and its RGBA pixels, deflated row by row.
std::vector<std::uint8_t> CompressedRows(const std::uint8_t* bgra, int width, int height) {
    z_stream z{};
    if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) throw rtl::Exception("the picture could not be encoded as PNG");
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> row(1 + static_cast<std::size_t>(width) * 4);
    std::uint8_t chunk[64 * 1024];
    for (int y = 0; y <= height; ++y) {
        const bool last = y == height;
        if (!last) {
            const std::uint8_t* in = bgra + static_cast<std::size_t>(y) * width * 4;
            row[0] = 0;
            for (int x = 0; x < width; ++x) {
                std::uint8_t* px = &row[1 + static_cast<std::size_t>(x) * 4];
                px[0] = in[x * 4 + 2];
                px[1] = in[x * 4 + 1];
                px[2] = in[x * 4 + 0];
                px[3] = in[x * 4 + 3];
            }
            z.next_in = row.data();
            z.avail_in = static_cast<uInt>(row.size());
        }
        int status = Z_OK;
        do {
            z.next_out = chunk;
            z.avail_out = sizeof chunk;
            status = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            out.insert(out.end(), chunk, chunk + (sizeof chunk - z.avail_out));
        } while (z.avail_out == 0 || (last && status != Z_STREAM_END));
    }
    deflateEnd(&z);
    return out;
}

}  // namespace

std::vector<std::uint8_t> EncodePng(const std::uint8_t* bgra, int width, int height) {
    // The rows must fit zlib's counters and the picture Qt's image limit, as the program's would.
    if (width <= 0 || height <= 0 || static_cast<long long>(width) * 4 + 1 > INT_MAX / 2 ||
        static_cast<long long>(width) * 4 * height > INT_MAX)
        throw rtl::Exception("the picture is too large to write as PNG");
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutU32(header, static_cast<std::uint32_t>(width));
    PutU32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, adaptive filters, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", CompressedRows(bgra, width, height));
    PutChunk(png, "IEND", {});
    return png;
}

}  // namespace tool
