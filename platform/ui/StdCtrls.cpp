#include "platform/ui/StdCtrls.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace ui {

// ---- TLabel ------------------------------------------------------------------------------------

const rtti::TClassInfo* TLabel::StaticClass() {
    using C = TLabel;
    using namespace rtti;
    static const TClassInfo info("TLabel", TControl::StaticClass(), Creator<C>(),
                                 QtControlProps<C>({
                                     pub::Enum<C>("Alignment", AlignmentInfo(), &C::Alignment, &C::SetAlignment, 0),
                                     pub::Bool<C>("AutoSize", &C::AutoSize, &C::SetAutoSize, true),
                                     pub::Bool<C>("Transparent", &C::Transparent, &C::SetTransparent, false),
                                     pub::Bool<C>("WordWrap", &C::WordWrap, &C::SetWordWrap, false),
                                 }));
    return &info;
}

TLabel::TLabel() {
    widget_ = new TPaintWidget([this](QPainter& p) { Paint(p); });
    SetAccessible(widget_, {TAccessibleRole::Label, [this] { return ShownText(); }, {}});
    RouteMouse();
    SetBounds(0, 0, 65, 17);
    ApplyFont();
}

void TLabel::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    Repaint();
}
void TLabel::SetAutoSize(bool on) {
    autoSize_ = on;
    AdjustSize();
}
void TLabel::SetWordWrap(bool on) {
    wordWrap_ = on;
    AdjustSize();
}
void TLabel::SetTransparent(bool on) {
    transparent_ = on;
    Repaint();
}

QString TLabel::ShownText() const { return DecodeForCharset(GetText(), Font()->Charset()); }

void TLabel::TextChanged() {
    AdjustSize();
    Repaint();
    AccessibleNameChanged(widget_);
}

void TLabel::AdjustSize() {
    if (!autoSize_ || adjusting_ || Loading()) return;
    adjusting_ = true;
    const QSize extent = TextExtent(ToQFont(*Font()), ShownText());
    SetBounds(Left(), Top(), wordWrap_ ? Width() : extent.width(), extent.height());
    adjusting_ = false;
}

QSize TLabel::TextExtent(const QFont& font, const QString& text) {
    const int wrapWidth = wordWrap_ ? std::max(1, Width()) : -1;
    if (measure_ && measure_->WrapWidth == wrapWidth && measure_->Text == text && measure_->Font == font)
        return measure_->Extent;
    const QFontMetrics metrics(font);
    QSize extent;
    if (wordWrap_) {
        const QRect bounds = metrics.boundingRect(QRect(0, 0, wrapWidth, 100000), Qt::TextWordWrap, text);
        extent = QSize(wrapWidth, std::max(bounds.height(), metrics.height()));
    } else {
        extent = QSize(metrics.horizontalAdvance(text), metrics.height());
    }
    measure_ = TMeasure{font, text, wrapWidth, extent};
    return extent;
}

void TLabel::DrawText(QPainter& painter, const QRect& rect, const QColor& color) {
    painter.setFont(ToQFont(*Font()));
    painter.setPen(color);
    int flags = Qt::AlignTop | ShownAlignment();
    flags |= wordWrap_ ? Qt::TextWordWrap : Qt::TextSingleLine;
    painter.drawText(rect, flags, ShownText());
}

Qt::Alignment TLabel::ShownAlignment() const {
    // Under right-to-left reading order left and right justification trade places, as the
    // platform's right-to-left labels do.
    const bool rightToLeft = widget_ && widget_->layoutDirection() == Qt::RightToLeft;
    switch (alignment_) {
        case TAlignment::taCenter: return Qt::AlignHCenter | Qt::AlignAbsolute;
        case TAlignment::taRightJustify: return (rightToLeft ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignAbsolute;
        default: return (rightToLeft ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute;
    }
}

void TLabel::Paint(QPainter& painter) {
    const QRect rect(0, 0, Width(), Height());
    if (!transparent_) painter.fillRect(rect, ToQColor(EffectiveColor(*this)));
    DrawText(painter, rect, ToQColor(Enabled() ? Font()->Color() : rtti::clGray));
}

// ---- TLabelFX ----------------------------------------------------------------------------------

const rtti::TClassInfo* TLabelFX::StaticClass() {
    using C = TLabelFX;
    using namespace rtti;
    static const TClassInfo info("TLabelFX", TLabel::StaticClass(), Creator<C>(),
                                 {pub::Ident<C>("ShadowColor", ColorIdents(), &C::ShadowColor, &C::SetShadowColor, clGray)});
    return &info;
}

void TLabelFX::SetShadowColor(TColor color) {
    shadowColor_ = color;
    Repaint();
}

void TLabelFX::Paint(QPainter& painter) {
    const QRect rect(0, 0, Width(), Height());
    if (!Transparent()) painter.fillRect(rect, ToQColor(EffectiveColor(*this)));
    QColor shadow = ToQColor(shadowColor_);
    shadow.setAlpha(110);
    DrawText(painter, rect.translated(2, 2), shadow);
    shadow.setAlpha(60);
    DrawText(painter, rect.translated(1, 3), shadow);
    DrawText(painter, rect, ToQColor(Font()->Color()));
}

// ---- TMemo -------------------------------------------------------------------------------------

const rtti::TEnumInfo& ScrollStyleInfo() {
    static const rtti::TEnumInfo info{"TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"}};
    return info;
}

std::vector<QString> TMemoStrings::Lines() const { return pending_ ? *pending_ : memo_.ReadLines(); }

void TMemoStrings::SetLines(std::vector<QString> lines) {
    if (pending_) {
        // Split as the editor will split them: a line break inside a line makes two lines.
        QStringList joined;
        for (const QString& line : lines) joined << line;
        std::vector<QString> shown;
        QString text = joined.join(QLatin1Char('\n'));
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        if (!text.isEmpty())
            for (const QString& line : text.split(QLatin1Char('\n'))) shown.push_back(line);
        if (!shown.empty() && shown.back().isEmpty()) shown.pop_back();
        *pending_ = std::move(shown);
        pendingChanged_ = true;
    } else {
        memo_.WriteLines(lines);
    }
}

int TMemoStrings::Count() const { return static_cast<int>(Lines().size()); }

AnsiString TMemoStrings::Get(int index) const {
    const auto lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size())) rtl::RaiseListIndexError(index);
    return EncodeAnsi(lines[static_cast<std::size_t>(index)], memo_.CodePage());
}

void TMemoStrings::Put(int index, const AnsiString& s) {
    auto lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size())) rtl::RaiseListIndexError(index);
    lines[static_cast<std::size_t>(index)] = DecodeAnsi(s, memo_.CodePage());
    SetLines(std::move(lines));
}

void TMemoStrings::Insert(int index, const AnsiString& s) {
    auto lines = Lines();
    if (index < 0 || index > static_cast<int>(lines.size())) rtl::RaiseListIndexError(index);
    // A line holds no line breaks: what the text would split, the line keeps as separate lines.
    lines.insert(lines.begin() + index, DecodeAnsi(s, memo_.CodePage()));
    SetLines(std::move(lines));
}

void TMemoStrings::Delete(int index) {
    auto lines = Lines();
    if (index < 0 || index >= static_cast<int>(lines.size())) rtl::RaiseListIndexError(index);
    lines.erase(lines.begin() + index);
    SetLines(std::move(lines));
}

void TMemoStrings::Clear() { SetLines({}); }

void TMemoStrings::SetUpdateState(bool updating) {
    if (updating) {
        pending_ = memo_.ReadLines();
        pendingChanged_ = false;
        memo_.Editor()->setUpdatesEnabled(false);
        return;
    }
    std::optional<std::vector<QString>> lines = std::exchange(pending_, std::nullopt);
    // Shown before the editor paints again; what ReadLines gives back is what was set.
    if (lines && std::exchange(pendingChanged_, false)) memo_.WriteLines(*lines);
    memo_.Editor()->setUpdatesEnabled(true);
}

namespace {

// The memo's widget: a plain-text editor.
// The memo's widget: a plain-text editor whose paragraphs follow the reading order of the window
// (right-to-left: they start at the right edge), whatever the letters in them.
class TMemoEditor : public QPlainTextEdit {
public:
    TMemoEditor() {
        setFrameShape(QFrame::StyledPanel);
        FollowReadingOrder();
    }

protected:
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::LayoutDirectionChange) FollowReadingOrder();
        QPlainTextEdit::changeEvent(event);
    }

private:
    void FollowReadingOrder() {
        QTextOption option = document()->defaultTextOption();
        const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
        option.setTextDirection(layoutDirection());
        option.setAlignment((rightToLeft ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute);
        document()->setDefaultTextOption(option);
    }
};

}  // namespace

const rtti::TClassInfo* TMemo::StaticClass() {
    using C = TMemo;
    using namespace rtti;
    static const TClassInfo info("TMemo", TWinControl::StaticClass(), Creator<C>(),
                                 QtControlProps<C>({
                                     pub::Object<C>("Lines", TStrings::StaticClass(), &C::Lines),
                                     pub::Bool<C>("ReadOnly", &C::ReadOnly, &C::SetReadOnly, false),
                                     pub::Enum<C>("ScrollBars", ScrollStyleInfo(), &C::ScrollBars, &C::SetScrollBars, 0),
                                     pub::Bool<C>("WordWrap", &C::WordWrap, &C::SetWordWrap, true),
                                 }));
    return &info;
}

TMemo::TMemo() : lines_(std::make_unique<TMemoStrings>(*this)) {
    auto* editor = new TMemoEditor;
    widget_ = editor;
    editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QObject::connect(editor->document(), &QTextDocument::contentsChange, editor,
                     [this](int position, int, int added) { RestrictRange(position, added); });
    RouteMouse();
    SetColor(rtti::clWindow);
    SetParentColor(false);
    SetBounds(0, 0, 185, 89);
    ApplyFont();
}

TMemo::~TMemo() = default;

QPlainTextEdit* TMemo::Editor() const { return static_cast<QPlainTextEdit*>(widget_.data()); }

int TMemo::CodePage() const {
    const int codePage = CodePageOfCharset(Font()->Charset());
    return codePage != 0 ? codePage : InterfaceCodePage();
}

void TMemo::SetScrollBars(TScrollStyle style) {
    scrollBars_ = style;
    if (!Editor()) return;
    const bool vertical = style == TScrollStyle::ssVertical || style == TScrollStyle::ssBoth;
    const bool horizontal = style == TScrollStyle::ssHorizontal || style == TScrollStyle::ssBoth;
    Editor()->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    Editor()->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TMemo::SetWordWrap(bool on) {
    wordWrap_ = on;
    if (Editor()) Editor()->setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TMemo::SetReadOnly(bool on) {
    readOnly_ = on;
    if (Editor()) Editor()->setReadOnly(on);
}

std::vector<QString> TMemo::ReadLines() const {
    std::vector<QString> lines;
    if (!Editor()) return lines;
    const QString text = Editor()->toPlainText();
    if (text.isEmpty()) return lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(line);
    // A text ending in a line break has no empty line after it, as the toolkit's lists count.
    if (!lines.empty() && lines.back().isEmpty()) lines.pop_back();
    return lines;
}

void TMemo::WriteLines(const std::vector<QString>& lines) {
    if (!Editor()) return;
    QStringList list;
    for (const QString& line : lines) {
        QString clean = line;
        clean.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        list << clean;
    }
    ShowProgramText(list.join(QLatin1Char('\n')));
}

AnsiString TMemo::GetText() const {
    if (!Editor()) return {};
    QString text = Editor()->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return EncodeAnsi(text, CodePage());
}

void TMemo::SetText(const AnsiString& text) {
    if (!Editor()) return;
    QString shown = DecodeAnsi(text, CodePage());
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    ShowProgramText(shown);
}

WideString TMemo::UserText() const {
    if (!Editor()) return {};
    QString text = Editor()->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return WideString(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

void TMemo::SetUserText(const WideString& text) {
    if (!Editor()) return;
    QString shown = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    ShowProgramText(shown);
}

void TMemo::ShowProgramText(const QString& text) {
    // Text set by the program (forms, translations, a revealed text) is shown as it is; only what
    // the user types or pastes is held to the user-text code page.
    const bool was = restricting_;
    restricting_ = true;
    Editor()->setPlainText(text);
    restricting_ = was;
}

void TMemo::RestrictRange(int position, int added) {
    if (restricting_ || added <= 0 || !Editor()) return;
    QTextDocument* document = Editor()->document();
    QTextCursor cursor(document);
    cursor.setPosition(position);
    cursor.setPosition(std::min(position + added, document->characterCount() - 1), QTextCursor::KeepAnchor);
    const QString inserted = cursor.selectedText();
    // selectedText gives paragraph breaks as U+2029; those are line breaks, which every code page holds.
    QString plain = inserted;
    plain.replace(QChar(0x2029), QLatin1Char('\n'));
    const QString held = RestrictToCodePage(plain, UserTextCodePage());
    if (held == plain) return;
    restricting_ = true;
    cursor.insertText(held);
    restricting_ = false;
}

void TMemo::ApplyFont() {
    TQtControl<rtti::TWinControl>::ApplyFont();
    if (!Editor()) return;
    const QColor text = ToQColor(Font()->Color()), base = ToQColor(EffectiveColor(*this));
    // A switch changes the character set of the font, seldom its colours.
    const std::pair<QRgb, QRgb> colours{text.rgba(), base.rgba()};
    if (std::exchange(paletteColours_, colours) == colours) return;
    QPalette palette = Editor()->palette();
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Base, base);
    Editor()->setPalette(palette);
}

}  // namespace ui
