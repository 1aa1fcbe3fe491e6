#pragma once
// The hidden-text codec: one bit per pixel, in the lowest bit of the pixel's last byte, pixels
// taken from the top row down and left to right. What is stored is the signature, the caller's
// data and a zero byte, eight pixels to a byte, least significant bit first.
//
// Only 16-bit 5-6-5, 24-bit and 32-bit bitmaps without masks carry text; every other format is
// refused before anything is written.
//
// Two ways of writing the same bits: replacement sets the carrier bit; LSB matching leaves a
// carrier whose bit is already right alone and moves any other one step up or down at random,
// within the field that holds the carrier bit (the carrier byte for 24 and 32 bits; bits 3-5 of
// green, the carrier byte's bits 0-2, for 5-6-5). A step never carries into a neighbouring
// field: at the field's lowest value it goes up, at its highest down. Every reader reads both
// alike; matching keeps the pairs-of-values statistics that replacement evens out. Errors are rtl::Exception with the main window's message
// strings, fetched when raised so that they follow the current language.

#include <cstdint>
#include <string_view>

#include "codec/StegoRandom.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/rtl/SysTypes.h"

namespace codec {

using rtl::AnsiString;

inline constexpr std::string_view StegoSignature = "Encrypt-Hidden-Text-Signature1";

enum class TEmbedding { Replacement, Matching };

// Bytes per pixel of a bitmap that can carry text, 0 for a refused format. The carrier byte is
// the last byte of the pixel.
int CarrierBytesPerPixel(const bitmap::TBitmap& bmp);

// (width x height) div 8: the bytes a bitmap can hold, signatures and the zero byte included.
// The pixel count of a bitmap always fits a signed 32-bit integer.
std::int32_t Capacity(const bitmap::TBitmap& bmp);

// Stores signature + data + a zero byte. Raises 65240 for a refused format and 65241 (Max,
// Count) when it does not fit; either way the bitmap is untouched.
// LSB matching draws its coin tosses from the system's cryptographic random source
// (NewSystemRandom).
void InsertStegography(bitmap::TBitmap& bmp, const AnsiString& data, TEmbedding how = TEmbedding::Replacement);
// The same with the coin tosses from the given source (tests fix a seed through it).
void InsertStegography(bitmap::TBitmap& bmp, const AnsiString& data, TEmbedding how, TRandomSource& coins);

// Reads the stored bytes up to the first zero byte. Answers true when the signature was found;
// text then holds what followed the last complete signature. Raises 65238 for a refused format.
bool ExtractStegography(const bitmap::TBitmap& bmp, AnsiString& text);

// The first count stored bytes as they lie in the carrier bits, zero bytes included (fewer when
// the image holds fewer). Raises 65238 for a refused format.
AnsiString ReadStoredBytes(const bitmap::TBitmap& bmp, std::size_t count);

}  // namespace codec
