#pragma once
// Colours, fonts, cursors and pictures of the component model turned into Qt's.

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QImage>

#include "platform/bitmap/Bitmap.h"
#include "platform/rtti/Graphics.h"

namespace ui {

using rtti::TColor;

// 0x00BBGGRR colours as they are; system colours from the application's palette.
QColor ToQColor(TColor color);

// The font as a widget font: Height < 0 is the character height in pixels, Height > 0 the cell
// height (the character height is about four fifths of it).
QFont ToQFont(const rtti::TFont& font);

// Cursors by the toolkit's numbers.
using TCursor = std::int32_t;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeAll = -22;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crHandPoint = -21;
const rtti::TIdentMap& CursorIdents();
// Nothing for crDefault: the widget then shows its own default cursor.
std::optional<QCursor> ToQCursor(TCursor cursor);

// A picture's streamed data decoded: the class name as a short string, then the graphic's data.
// "TBitmap": a 32-bit size and a bitmap file; "TPngImage" (also "TPNGObject"): a PNG file.
// Damaged data raises EInvalidGraphic; unknown graphic classes as well.
struct TDecodedPicture {
    std::variant<std::monostate, bitmap::TBitmap, QImage> Graphic;
};
TDecodedPicture DecodePictureData(const std::vector<std::uint8_t>& data);

// The kind of picture the data holds, with the checks that need no decoding: the class name and,
// for a PNG image, its signature and header chunk (a bitmap's headers are checked when it is
// read). Raises what DecodePictureData raises for those faults.
enum class TPictureKind { None, Bitmap, Png };
TPictureKind CheckPictureData(const std::vector<std::uint8_t>& data);

// The bitmap as Qt draws it (32-bit bitmaps without masks ignore their fourth byte).
QImage BitmapToImage(const bitmap::TBitmap& bmp);

}  // namespace ui
