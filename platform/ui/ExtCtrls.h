#pragma once
// Panels and pictures.

#include <functional>

#include <QImage>

#include "platform/bitmap/Bitmap.h"
#include "platform/ui/Controls.h"

class QPainter;

namespace ui {

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
const rtti::TEnumInfo& BevelCutInfo();
enum class TBevelKind { bkNone, bkTile, bkSoft, bkFlat };
const rtti::TEnumInfo& BevelKindInfo();
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
const rtti::TEnumInfo& AlignmentInfo();

// A widget that paints through a callback of its control.
class TPaintWidget : public QWidget {
public:
    explicit TPaintWidget(std::function<void(QPainter&)> paint) : paint_(std::move(paint)) {}

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void(QPainter&)> paint_;
};

// Draws a raised or lowered frame of the given width inside rect and shrinks rect by it.
void DrawBevel(QPainter& painter, QRect& rect, TBevelCut cut, int width);

// A panel: background colour, bevels, a caption drawn centred where no child covers it.
class TPanel : public TQtControl<rtti::TWinControl> {
    VLMRK_RTTI_CLASS(TPanel)
public:
    TPanel();

    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut cut);
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut cut);
    std::int32_t BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(std::int32_t width);
    TBevelKind BevelKind() const { return bevelKind_; }
    void SetBevelKind(TBevelKind kind);
    std::int32_t BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(std::int32_t width);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);

    // The width of the frame around the children's area on each side.
    int FrameWidth() const;
    QRect AlignRect() const override;

protected:
    // Only the band the caption is drawn in is painted again, not the children over the rest.
    void TextChanged() override;

private:
    void Paint(QPainter& painter);
    void FrameChanged();
    QRect CaptionBand(int lineHeight) const;

    bool painted_ = false;
    int paintedCaptionHeight_ = 0;  // line height of the caption last painted; 0 for none

    TBevelCut bevelInner_ = TBevelCut::bvNone;
    TBevelCut bevelOuter_ = TBevelCut::bvRaised;
    std::int32_t bevelWidth_ = 1;
    TBevelKind bevelKind_ = TBevelKind::bkNone;
    std::int32_t borderWidth_ = 0;
    TAlignment alignment_ = TAlignment::taCenter;
};

// A picture: a bitmap (which the program may change and read pixel by pixel) or a PNG image,
// drawn at its own size, centred, or stretched to the control.
class TImage : public TQtControl<rtti::TControl> {
    VLMRK_RTTI_CLASS(TImage)
public:
    TImage();

    rtti::TPicture* Picture() const { return picture_.get(); }
    bool Center() const { return center_; }
    void SetCenter(bool on);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool on);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);
    bool Proportional() const { return proportional_; }
    void SetProportional(bool on);

    // The picture's bitmap; empty when the picture is a PNG image or nothing.
    bitmap::TBitmap& Bitmap() {
        DecodePending();
        return bitmap_;
    }
    const bitmap::TBitmap& Bitmap() const {
        DecodePending();
        return bitmap_;
    }
    // Redraws after the bitmap's pixels or size were changed in place.
    void BitmapChanged();
    // Loads a bitmap file (whatever its extension); on error the picture stays as it was.
    void LoadBitmapFromFile(const AnsiString& fileName);
    // Removes the picture.
    void ClearPicture();
    // Nothing to show.
    bool Empty() const {
        DecodePending();
        return bitmap_.Empty() && png_.isNull();
    }
    // What is drawn, at the picture's own size.
    const QImage& Shown() const {
        DecodePending();
        return shown_;
    }
    // Where the picture is drawn inside the control.
    QRect DestRect() const;

private:
    void Paint(QPainter& painter);
    void PictureChanged();
    void Rebuild();
    // Decodes a PNG image kept undecoded since it was set (see PictureChanged).
    void DecodePending() const;
    void MakeShown() const;

    std::unique_ptr<rtti::TPicture> picture_;
    // A PNG image is decoded when it is first drawn or asked for, so pictures of windows that
    // are not shown yet cost nothing at start. What is decoded is kept like a bitmap set at once.
    mutable bool pngPending_ = false;
    mutable bitmap::TBitmap bitmap_;
    mutable QImage png_;
    mutable QImage shown_;
    bool center_ = false;
    bool stretch_ = false;
    bool transparent_ = false;
    bool proportional_ = false;
};

}  // namespace ui
