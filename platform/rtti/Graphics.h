#pragma once
// Fonts, pictures, colours and character sets of the component model. The GUI realises a font
// as a widget font and then marks its handle as allocated; the live translation changes the
// character set only of fonts that are realised.

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtti/Classes.h"

namespace rtti {

using TColor = std::int32_t;

// Colours: 0x00BBGGRR, or a system colour 0xFF0000nn (nn the system colour index).
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;
inline constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
inline constexpr TColor clWindow = clSystemColor | 5;
inline constexpr TColor clWindowText = clSystemColor | 8;
inline constexpr TColor clHighlight = clSystemColor | 13;
inline constexpr TColor clHighlightText = clSystemColor | 14;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnText = clSystemColor | 18;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// The colour identifiers (clBlack .. clMenuBar, clNone, clDefault).
const TIdentMap& ColorIdents();
bool ColorToIdent(TColor color, AnsiString& ident);
bool IdentToColor(std::string_view ident, TColor& color);

using TFontCharset = std::uint8_t;
inline constexpr TFontCharset ANSI_CHARSET = 0;
inline constexpr TFontCharset DEFAULT_CHARSET = 1;
inline constexpr TFontCharset SYMBOL_CHARSET = 2;
inline constexpr TFontCharset MAC_CHARSET = 77;
inline constexpr TFontCharset SHIFTJIS_CHARSET = 128;
inline constexpr TFontCharset HANGEUL_CHARSET = 129;
inline constexpr TFontCharset JOHAB_CHARSET = 130;
inline constexpr TFontCharset GB2312_CHARSET = 134;
inline constexpr TFontCharset CHINESEBIG5_CHARSET = 136;
inline constexpr TFontCharset GREEK_CHARSET = 161;
inline constexpr TFontCharset TURKISH_CHARSET = 162;
inline constexpr TFontCharset VIETNAMESE_CHARSET = 163;
inline constexpr TFontCharset HEBREW_CHARSET = 177;
inline constexpr TFontCharset ARABIC_CHARSET = 178;
inline constexpr TFontCharset BALTIC_CHARSET = 186;
inline constexpr TFontCharset RUSSIAN_CHARSET = 204;
inline constexpr TFontCharset THAI_CHARSET = 222;
inline constexpr TFontCharset EASTEUROPE_CHARSET = 238;
inline constexpr TFontCharset OEM_CHARSET = 255;

// The character-set identifiers (ANSI_CHARSET .. OEM_CHARSET); other numbers have none.
const TIdentMap& CharsetIdents();
bool CharsetToIdent(int charset, AnsiString& ident);
bool IdentToCharset(std::string_view ident, int& charset);

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = std::uint32_t;  // bit n = TFontStyle n
constexpr TFontStyles FontStyleBit(TFontStyle s) { return 1u << static_cast<unsigned>(s); }
const TEnumInfo& FontStyleInfo();

enum class TFontPitch { fpDefault, fpVariable, fpFixed };
const TEnumInfo& FontPitchInfo();

class TFont : public TPersistent {
    VLMRK_RTTI_CLASS(TFont)
public:
    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& name);
    // Height in pixels; negative for the character height without internal leading.
    std::int32_t Height() const { return height_; }
    void SetHeight(std::int32_t height);
    // Size in points, derived from Height and PixelsPerInch.
    std::int32_t Size() const;
    void SetSize(std::int32_t size);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    TFontCharset Charset() const { return charset_; }
    void SetCharset(int charset);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);
    std::int32_t PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(std::int32_t ppi) { pixelsPerInch_ = ppi > 0 ? ppi : 96; }

    // Whether the platform font has been created for this font; the GUI sets it.
    bool HandleAllocated() const { return handleAllocated_; }
    void SetHandleAllocated(bool on) { handleAllocated_ = on; }

    void Assign(const TPersistent& source) override;

    std::function<void(TFont*)> OnChange;

protected:
    // Every change ends here; the GUI's fonts override it or use OnChange.
    virtual void Changed();

private:
    AnsiString name_ = "MS Sans Serif";
    std::int32_t height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_ = 0;
    TFontCharset charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = TFontPitch::fpDefault;
    std::int32_t pixelsPerInch_ = 96;
    bool handleAllocated_ = false;
};

// A picture as streamed: the bytes of its Data property (the graphic's class name as a short
// string, then the graphic's own data). The GUI decodes them.
class TPicture : public TPersistent {
    VLMRK_RTTI_CLASS(TPicture)
public:
    const std::vector<std::uint8_t>& Data() const { return data_; }
    void SetData(std::vector<std::uint8_t> data);
    bool Empty() const { return data_.empty(); }
    void Assign(const TPersistent& source) override;
    bool ReadDefinedProperty(const AnsiString& name, TReader& reader) override;
    void WriteDefinedProperties(TWriter& writer) const override;

    std::function<void(TPicture*)> OnChange;

protected:
    virtual void Changed();

private:
    std::vector<std::uint8_t> data_;
};

}  // namespace rtti
