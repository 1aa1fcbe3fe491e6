#pragma once
// The status bar.

#include "platform/ui/ExtCtrls.h"

namespace ui {

class TStatusPanel : public rtti::TCollectionItem {
    VLMRK_RTTI_CLASS(TStatusPanel)
public:
    AnsiString Text;
    std::int32_t Width = 50;
};

// A status bar at the bottom of its parent. In simple mode it shows one text, SimpleText,
// decoded with the interface code page like every status text.
class TStatusBar : public TQtControl<rtti::TWinControl> {
    VLMRK_RTTI_CLASS(TStatusBar)
public:
    TStatusBar();
    ~TStatusBar() override;

    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool on);
    const AnsiString& SimpleText() const { return simpleText_; }
    void SetSimpleText(const AnsiString& text);
    rtti::TCollection* Panels() const { return panels_.get(); }
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool on);

    // What the bar shows, and where: at the edge where reading starts.
    QString ShownText() const;
    Qt::Alignment ShownAlignment() const;

private:
    void Paint(QPainter& painter);
    void PlaceGrip();
    void PlaceWidget() override;

    bool simplePanel_ = false;
    AnsiString simpleText_;
    std::unique_ptr<rtti::TCollection> panels_;
    bool sizeGrip_ = true;
    QPointer<QWidget> grip_;
};

}  // namespace ui
