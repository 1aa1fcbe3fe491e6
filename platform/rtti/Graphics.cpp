#include "platform/rtti/Graphics.h"

#include <cmath>

#include "platform/rtl/Conversions.h"
#include "platform/rtti/FormStream.h"

namespace rtti {

namespace {

// MulDiv of the platform: the product in 64 bits, rounded half away from zero.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
    if (c == 0) return -1;
    std::int64_t p = static_cast<std::int64_t>(a) * b;
    bool neg = (p < 0) != (c < 0);
    std::int64_t ap = p < 0 ? -p : p, ac = c < 0 ? -static_cast<std::int64_t>(c) : c;
    std::int64_t q = (ap + ac / 2) / ac;
    return static_cast<std::int32_t>(neg ? -q : q);
}

}  // namespace

const TIdentMap& ColorIdents() {
    static const TIdentMap map{
        "TColor",
        {
            {clBlack, "clBlack"},
            {clMaroon, "clMaroon"},
            {clGreen, "clGreen"},
            {clOlive, "clOlive"},
            {clNavy, "clNavy"},
            {clPurple, "clPurple"},
            {clTeal, "clTeal"},
            {clGray, "clGray"},
            {clSilver, "clSilver"},
            {clRed, "clRed"},
            {clLime, "clLime"},
            {clYellow, "clYellow"},
            {clBlue, "clBlue"},
            {clFuchsia, "clFuchsia"},
            {clAqua, "clAqua"},
            {clWhite, "clWhite"},
            {clMoneyGreen, "clMoneyGreen"},
            {clSkyBlue, "clSkyBlue"},
            {clCream, "clCream"},
            {clMedGray, "clMedGray"},
            {clSystemColor | 0, "clScrollBar"},
            {clSystemColor | 1, "clBackground"},
            {clSystemColor | 2, "clActiveCaption"},
            {clSystemColor | 3, "clInactiveCaption"},
            {clSystemColor | 4, "clMenu"},
            {clSystemColor | 5, "clWindow"},
            {clSystemColor | 6, "clWindowFrame"},
            {clSystemColor | 7, "clMenuText"},
            {clSystemColor | 8, "clWindowText"},
            {clSystemColor | 9, "clCaptionText"},
            {clSystemColor | 10, "clActiveBorder"},
            {clSystemColor | 11, "clInactiveBorder"},
            {clSystemColor | 12, "clAppWorkSpace"},
            {clSystemColor | 13, "clHighlight"},
            {clSystemColor | 14, "clHighlightText"},
            {clSystemColor | 15, "clBtnFace"},
            {clSystemColor | 16, "clBtnShadow"},
            {clSystemColor | 17, "clGrayText"},
            {clSystemColor | 18, "clBtnText"},
            {clSystemColor | 19, "clInactiveCaptionText"},
            {clSystemColor | 20, "clBtnHighlight"},
            {clSystemColor | 21, "cl3DDkShadow"},
            {clSystemColor | 22, "cl3DLight"},
            {clSystemColor | 23, "clInfoText"},
            {clSystemColor | 24, "clInfoBk"},
            {clSystemColor | 26, "clHotLight"},
            {clSystemColor | 27, "clGradientActiveCaption"},
            {clSystemColor | 28, "clGradientInactiveCaption"},
            {clSystemColor | 29, "clMenuHighlight"},
            {clSystemColor | 30, "clMenuBar"},
            {clNone, "clNone"},
            {clDefault, "clDefault"},
        }};
    return map;
}

bool ColorToIdent(TColor color, AnsiString& ident) { return ColorIdents().IntToIdent(color, ident); }
bool IdentToColor(std::string_view ident, TColor& color) { return ColorIdents().IdentToInt(ident, color); }

const TIdentMap& CharsetIdents() {
    static const TIdentMap map{"TFontCharset",
                               {
                                   {ANSI_CHARSET, "ANSI_CHARSET"},
                                   {DEFAULT_CHARSET, "DEFAULT_CHARSET"},
                                   {SYMBOL_CHARSET, "SYMBOL_CHARSET"},
                                   {MAC_CHARSET, "MAC_CHARSET"},
                                   {SHIFTJIS_CHARSET, "SHIFTJIS_CHARSET"},
                                   {HANGEUL_CHARSET, "HANGEUL_CHARSET"},
                                   {JOHAB_CHARSET, "JOHAB_CHARSET"},
                                   {GB2312_CHARSET, "GB2312_CHARSET"},
                                   {CHINESEBIG5_CHARSET, "CHINESEBIG5_CHARSET"},
                                   {GREEK_CHARSET, "GREEK_CHARSET"},
                                   {TURKISH_CHARSET, "TURKISH_CHARSET"},
                                   {VIETNAMESE_CHARSET, "VIETNAMESE_CHARSET"},
                                   {HEBREW_CHARSET, "HEBREW_CHARSET"},
                                   {ARABIC_CHARSET, "ARABIC_CHARSET"},
                                   {BALTIC_CHARSET, "BALTIC_CHARSET"},
                                   {RUSSIAN_CHARSET, "RUSSIAN_CHARSET"},
                                   {THAI_CHARSET, "THAI_CHARSET"},
                                   {EASTEUROPE_CHARSET, "EASTEUROPE_CHARSET"},
                                   {OEM_CHARSET, "OEM_CHARSET"},
                               }};
    return map;
}

bool CharsetToIdent(int charset, AnsiString& ident) { return CharsetIdents().IntToIdent(charset, ident); }
bool IdentToCharset(std::string_view ident, int& charset) {
    std::int32_t v = 0;
    if (!CharsetIdents().IdentToInt(ident, v)) return false;
    charset = v;
    return true;
}

const TEnumInfo& FontStyleInfo() {
    static const TEnumInfo info{"TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
    return info;
}

const TEnumInfo& FontPitchInfo() {
    static const TEnumInfo info{"TFontPitch", {"fpDefault", "fpVariable", "fpFixed"}};
    return info;
}

// ---- TFont -----------------------------------------------------------------------------------

const TClassInfo* TFont::StaticClass() {
    static const TClassInfo info(
        "TFont", TPersistent::StaticClass(), Creator<TFont>(),
        {
            pub::Ident<TFont>("Charset", CharsetIdents(), &TFont::Charset, &TFont::SetCharset, DEFAULT_CHARSET),
            pub::Ident<TFont>("Color", ColorIdents(), &TFont::Color, &TFont::SetColor, clWindowText),
            pub::Integer<TFont>("Height", &TFont::Height, &TFont::SetHeight, std::nullopt),
            pub::String<TFont>("Name", &TFont::Name, &TFont::SetName),
            pub::Enum<TFont>("Pitch", FontPitchInfo(), &TFont::Pitch, &TFont::SetPitch, 0),
            // Size is derived from Height: it is never stored.
            pub::NotStored(pub::Integer<TFont>("Size", &TFont::Size, &TFont::SetSize, std::nullopt)),
            pub::Set<TFont>("Style", FontStyleInfo(), &TFont::Style, &TFont::SetStyle, 0),
        });
    return &info;
}

void TFont::SetName(const AnsiString& name) {
    if (name.empty() || name == name_) return;
    name_ = name;
    Changed();
}

void TFont::SetHeight(std::int32_t height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}

std::int32_t TFont::Size() const { return -MulDiv(height_, 72, pixelsPerInch_); }

void TFont::SetSize(std::int32_t size) { SetHeight(-MulDiv(size, pixelsPerInch_, 72)); }

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TFont::SetStyle(TFontStyles style) {
    style &= 0x0F;
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::SetCharset(int charset) {
    auto c = static_cast<TFontCharset>(charset & 0xFF);
    if (c == charset_) return;
    charset_ = c;
    Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
    if (pitch == pitch_) return;
    pitch_ = pitch;
    Changed();
}

void TFont::Assign(const TPersistent& source) {
    auto* f = dynamic_cast<const TFont*>(&source);
    if (!f) {
        TPersistent::Assign(source);
        return;
    }
    name_ = f->name_;
    height_ = f->height_;
    color_ = f->color_;
    style_ = f->style_;
    charset_ = f->charset_;
    pitch_ = f->pitch_;
    pixelsPerInch_ = f->pixelsPerInch_;
    Changed();
}

void TFont::Changed() {
    if (OnChange) OnChange(this);
}

// ---- TPicture --------------------------------------------------------------------------------

const TClassInfo* TPicture::StaticClass() {
    static const TClassInfo info("TPicture", TPersistent::StaticClass(), Creator<TPicture>());
    return &info;
}

void TPicture::SetData(std::vector<std::uint8_t> data) {
    data_ = std::move(data);
    Changed();
}

void TPicture::Assign(const TPersistent& source) {
    auto* p = dynamic_cast<const TPicture*>(&source);
    if (!p) {
        TPersistent::Assign(source);
        return;
    }
    SetData(p->data_);
}

bool TPicture::ReadDefinedProperty(const AnsiString& name, TReader& reader) {
    if (!rtl::SameText(name, "Data")) return false;
    SetData(reader.ReadBinary());
    return true;
}

void TPicture::WriteDefinedProperties(TWriter& writer) const {
    if (data_.empty()) return;
    writer.WritePropName("Data");
    writer.WriteBinary(data_);
}

void TPicture::Changed() {
    if (OnChange) OnChange(this);
}

}  // namespace rtti
