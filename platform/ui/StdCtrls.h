#pragma once
// Labels and the memo.

#include <optional>
#include <utility>

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>

#include "platform/ui/ExtCtrls.h"

class QPlainTextEdit;

namespace ui {

// A text label; with AutoSize its size follows its caption.
class TLabel : public TQtControl<rtti::TControl> {
    VLMRK_RTTI_CLASS(TLabel)
public:
    TLabel();

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on);

    // The caption as drawn, and where it is drawn (right-to-left reading order mirrors it).
    QString ShownText() const;
    Qt::Alignment ShownAlignment() const;
    void TextChanged() override;

protected:
    virtual void Paint(QPainter& painter);
    void DrawText(QPainter& painter, const QRect& rect, const QColor& color);
    void AdjustSize();

private:
    // The size of the caption as drawn: measured again only when the font, the text or the
    // wrapping width changed (a switch changes a label's text and then its font's character
    // set, which leaves the measure as it was).
    QSize TextExtent(const QFont& font, const QString& text);

    struct TMeasure {
        QFont Font;
        QString Text;
        int WrapWidth = -1;  // -1 for a single line
        QSize Extent;
    };
    std::optional<TMeasure> measure_;
    TAlignment alignment_ = TAlignment::taLeftJustify;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
    bool adjusting_ = false;
};

// A label whose caption is drawn with a soft shadow.
class TLabelFX : public TLabel {
    VLMRK_RTTI_CLASS(TLabelFX)
public:
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor color);

protected:
    void Paint(QPainter& painter) override;

private:
    TColor shadowColor_ = rtti::clGray;
};

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
const rtti::TEnumInfo& ScrollStyleInfo();

class TMemo;

// The memo's lines, read from and written to its widget.
class TMemoStrings : public rtti::TStrings {
public:
    explicit TMemoStrings(TMemo& memo) : memo_(memo) {}
    int Count() const override;
    AnsiString Get(int index) const override;
    void Put(int index, const AnsiString& s) override;
    void Insert(int index, const AnsiString& s) override;
    void Delete(int index) override;
    void Clear() override;

protected:
    // Between BeginUpdate and EndUpdate the lines are kept here and shown once at the end
    // (replacing a memo's lines wrote the whole text again per line).
    void SetUpdateState(bool updating) override;

private:
    std::vector<QString> Lines() const;
    void SetLines(std::vector<QString> lines);

    TMemo& memo_;
    std::optional<std::vector<QString>> pending_;
    bool pendingChanged_ = false;
};

// A multi-line text box. Its 8-bit face (Lines, Text: what form streams and translations set)
// reads and writes with its font's code page, as every control's 8-bit text does. What the user
// types or pastes is held to the user-text code page (the system code page): other characters
// become "?" as they arrive, so the memo shows only what can be hidden. UserText is what the
// memo shows, as the user sees it.
class TMemo : public TQtControl<rtti::TWinControl> {
    VLMRK_RTTI_CLASS(TMemo)
public:
    TMemo();
    ~TMemo() override;

    rtti::TStrings* Lines() const { return lines_.get(); }
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle style);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool on);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);

    // The whole text, lines separated by CR LF (no line break after the last line).
    AnsiString GetText() const override;
    void SetText(const AnsiString& text) override;
    void Clear() { SetText({}); }

    // The whole text as shown (lines separated by CR LF), and setting it so.
    WideString UserText() const;
    void SetUserText(const WideString& text);

    int CodePage() const;
    QPlainTextEdit* Editor() const;

private:
    friend class TMemoStrings;
    std::vector<QString> ReadLines() const;
    void WriteLines(const std::vector<QString>& lines);
    void ShowProgramText(const QString& text);
    void RestrictRange(int position, int added);
    void ApplyFont() override;

    std::unique_ptr<TMemoStrings> lines_;
    TScrollStyle scrollBars_ = TScrollStyle::ssNone;
    bool wordWrap_ = true;
    bool readOnly_ = false;
    bool restricting_ = false;
    // The text and background colours last given to the editor's palette.
    std::optional<std::pair<QRgb, QRgb>> paletteColours_;
    int updating_ = 0;
};

}  // namespace ui
