#pragma once
// PNG pictures for "bmp png", written with zlib so the tool needs no Qt library: loading QtGui
// and what it brings costs every command about 12 ms at start, as much as a whole stego reveal.
// The pixels are those the program draws (ui::BitmapToImage copies the same blue, green, red,
// alpha bytes into an ARGB32 image); a test compares the two.

#include <cstdint>
#include <vector>

namespace tool {

// An 8-bit RGBA PNG of `width` x `height` pixels given as rows of blue, green, red, alpha bytes,
// top row first. Throws rtl::Exception when the picture is too large to encode.
std::vector<std::uint8_t> EncodePng(const std::uint8_t* bgra, int width, int height);

}  // namespace tool
