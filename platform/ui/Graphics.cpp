#include "platform/ui/Graphics.h"

#include <QApplication>
#include <QBuffer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QImageReader>
#include <QPalette>

#include "platform/bitmap/BmpFile.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/FontConfigLoad.h"

namespace ui {

QColor ToQColor(TColor color) {
    const auto value = static_cast<std::uint32_t>(color);
    if ((value & 0xFF000000u) == 0xFF000000u) {
        const QPalette palette = QApplication::palette();
        switch (value & 0xFF) {
            case 5: return palette.color(QPalette::Base);              // clWindow
            case 8: return palette.color(QPalette::Text);              // clWindowText
            case 13: return palette.color(QPalette::Highlight);        // clHighlight
            case 14: return palette.color(QPalette::HighlightedText);  // clHighlightText
            case 15: return palette.color(QPalette::Button);           // clBtnFace
            case 18: return palette.color(QPalette::ButtonText);       // clBtnText
            case 1: return palette.color(QPalette::Window);            // clBackground
            case 7: return palette.color(QPalette::WindowText);        // clMenuText
            case 4: return palette.color(QPalette::Window);            // clMenu
            case 16: return palette.color(QPalette::Dark);             // clBtnShadow
            case 20: return palette.color(QPalette::Light);            // clBtnHighlight
            default: return palette.color(QPalette::Window);
        }
    }
    if (color == rtti::clNone || color == rtti::clDefault) return QColor(Qt::transparent);
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

namespace {

// The family a font name is drawn with. The forms name Windows families; where the system has no
// such family (nor a fontconfig alias for it), the desktop's own font stands in, as it does for
// every other program. Resolved once per name: left to Qt, each missing family cost a fontconfig
// search for stand-ins of its own (three font lookups at the start where one does).
QString DrawnFamily(const rtl::AnsiString& name) {
    const QString family = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return family;
    static QHash<QString, QString> drawn;
    if (auto at = drawn.constFind(family); at != drawn.cend()) return *at;
    AwaitFontConfigLoad();
    const QString use = family.isEmpty() || QFontDatabase::hasFamily(family)
                            ? family
                            : QFontInfo(QGuiApplication::font()).family();
    drawn.insert(family, use);
    return use;
}

}  // namespace

QFont ToQFont(const rtti::TFont& font) {
    QFont result(DrawnFamily(font.Name()));
    const int height = font.Height();
    if (height < 0)
        result.setPixelSize(-height);
    else if (height > 0)
        result.setPixelSize(std::max(1, height * 4 / 5));
    const auto style = font.Style();
    result.setBold(style & rtti::FontStyleBit(rtti::TFontStyle::fsBold));
    result.setItalic(style & rtti::FontStyleBit(rtti::TFontStyle::fsItalic));
    result.setUnderline(style & rtti::FontStyleBit(rtti::TFontStyle::fsUnderline));
    result.setStrikeOut(style & rtti::FontStyleBit(rtti::TFontStyle::fsStrikeOut));
    if (font.Pitch() == rtti::TFontPitch::fpFixed) result.setFixedPitch(true);
    return result;
}

const rtti::TIdentMap& CursorIdents() {
    static const rtti::TIdentMap map{"TCursor",
                                     {{crDefault, "crDefault"},
                                      {crNone, "crNone"},
                                      {crArrow, "crArrow"},
                                      {crCross, "crCross"},
                                      {crIBeam, "crIBeam"},
                                      {crHourGlass, "crHourGlass"},
                                      {crHandPoint, "crHandPoint"},
                                      {crSizeAll, "crSizeAll"}}};
    return map;
}

std::optional<QCursor> ToQCursor(TCursor cursor) {
    switch (cursor) {
        case crDefault: return std::nullopt;
        case crNone: return QCursor(Qt::BlankCursor);
        case crArrow: return QCursor(Qt::ArrowCursor);
        case crCross: return QCursor(Qt::CrossCursor);
        case crIBeam: return QCursor(Qt::IBeamCursor);
        case crHourGlass: return QCursor(Qt::WaitCursor);
        case crHandPoint: return QCursor(Qt::PointingHandCursor);
        case crSizeAll: return QCursor(Qt::SizeAllCursor);
        default: return QCursor(Qt::ArrowCursor);
    }
}

namespace {

// The class name says PNG, so the reader is told not to guess: guessing asks every image format
// plugin whether it knows the data, which loads each of them (and their libraries) on the
// first picture of the process.
QImage ReadPng(std::span<const std::uint8_t> bytes) {
    const QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    QImageReader reader(&buffer, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

[[noreturn]] void InvalidPicture() { throw bitmap::EInvalidGraphic(bitmap::EInvalidGraphic::CreateRes, bitmap::SInvalidBitmap); }

struct TPictureParts {
    std::string ClassName;
    std::span<const std::uint8_t> Rest;
};

TPictureParts SplitPictureData(const std::vector<std::uint8_t>& data) {
    const std::size_t nameLength = data[0];
    if (1 + nameLength > data.size()) InvalidPicture();
    return {std::string(reinterpret_cast<const char*>(data.data()) + 1, nameLength),
            std::span<const std::uint8_t>(data.data() + 1 + nameLength, data.size() - 1 - nameLength)};
}

bool IsPngClass(const std::string& className) { return className == "TPngImage" || className == "TPNGObject"; }

std::uint32_t BigEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) | (std::uint32_t{bytes[at + 2]} << 8) |
           std::uint32_t{bytes[at + 3]};
}

// The signature, then the header chunk first, 13 bytes long, with a width and a height.
void CheckPngHeader(std::span<const std::uint8_t> png) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    constexpr std::size_t kHeaderEnd = 8 + 8 + 13;
    if (png.size() < kHeaderEnd || !std::equal(std::begin(kSignature), std::end(kSignature), png.begin())) InvalidPicture();
    if (BigEndian32(png, 8) != 13 || !std::equal(png.begin() + 12, png.begin() + 16, "IHDR")) InvalidPicture();
    const std::uint32_t width = BigEndian32(png, 16), height = BigEndian32(png, 20);
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) InvalidPicture();
}

}  // namespace

TPictureKind CheckPictureData(const std::vector<std::uint8_t>& data) {
    if (data.empty()) return TPictureKind::None;
    const TPictureParts parts = SplitPictureData(data);
    if (parts.ClassName == "TBitmap") return TPictureKind::Bitmap;
    if (!IsPngClass(parts.ClassName))
        throw bitmap::EInvalidGraphic(bitmap::EInvalidGraphic::CreateRes, bitmap::SUnsupportedBitmap);
    CheckPngHeader(parts.Rest);
    return TPictureKind::Png;
}

TDecodedPicture DecodePictureData(const std::vector<std::uint8_t>& data) {
    TDecodedPicture picture;
    if (data.empty()) return picture;
    const auto [className, rest] = SplitPictureData(data);
    if (className == "TBitmap") {
        rtl::TReadOnlyStream stream(rest);
        const std::uint32_t size = stream.ReadU32();
        if (size > static_cast<std::uint64_t>(stream.Remaining()))
            throw bitmap::EInvalidGraphic(bitmap::EInvalidGraphic::CreateRes, bitmap::SInvalidBitmap);
        rtl::TReadOnlyStream file(rest.subspan(4, size));
        picture.Graphic = bitmap::ReadBmp(file);
    } else if (IsPngClass(className)) {
        QImage image = ReadPng(rest);
        if (image.isNull()) throw bitmap::EInvalidGraphic(bitmap::EInvalidGraphic::CreateRes, bitmap::SInvalidBitmap);
        picture.Graphic = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    } else {
        throw bitmap::EInvalidGraphic(bitmap::EInvalidGraphic::CreateRes, bitmap::SUnsupportedBitmap);
    }
    return picture;
}

QImage BitmapToImage(const bitmap::TBitmap& bmp) {
    if (bmp.Empty()) return {};
    QImage image(bmp.Width(), bmp.Height(), QImage::Format_ARGB32);
    if (image.isNull()) return {};
    // Fill Qt's rows directly: ARGB32 is blue, green, red, alpha in memory on little-endian.
    const std::vector<std::uint8_t> bgra = bmp.ToBGRA();
    const std::size_t rowBytes = static_cast<std::size_t>(bmp.Width()) * 4;
    for (int y = 0; y < bmp.Height(); ++y)
        std::memcpy(image.scanLine(y), bgra.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
    return image;
}

}  // namespace ui
