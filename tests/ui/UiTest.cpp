// The toolkit layer: error box text, dispatcher, 8-bit text in the memo, align rules, menus and
// actions, pictures, file-dialog helpers, forms read from form streams.

#include <stdexcept>

#include <QBuffer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <gtest/gtest.h>

#include "platform/bitmap/BmpFile.h"
#include "platform/rtl/Streams.h"
#include "platform/rtti/FormText.h"
#include "platform/ui/ActnList.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/FontConfigLoad.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "tests/ui/GuiTestSupport.h"

namespace {

using guitest::QtApp;

TEST(ErrorBox, FullStopOnlyAfterCharactersSortingAfterThePoint) {
    EXPECT_EQ(ui::ErrorBoxText("Bitmap image is not valid"), "Bitmap image is not valid.");
    EXPECT_EQ(ui::ErrorBoxText("Cannot encrypt less than 16-bit color bmp's !"), "Cannot encrypt less than 16-bit color bmp's !");
    EXPECT_EQ(ui::ErrorBoxText("Too long string to encrypt (Max: 63, Actual: 70)"),
              "Too long string to encrypt (Max: 63, Actual: 70)");
    EXPECT_EQ(ui::ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ui::ErrorBoxText("Path /"), "Path /.");  // '/' sorts right after '.'
    EXPECT_EQ(ui::ErrorBoxText("Count 9"), "Count 9.");
    EXPECT_EQ(ui::ErrorBoxText("Caf\xE9"), "Caf\xE9.");  // 8-bit characters sort after it too
    EXPECT_EQ(ui::ErrorBoxText(""), "");
}

TEST(Dispatcher, ErrorsOfHandlersEndInTheDefaultErrorBox) {
    QtApp();
    guitest::TScriptScope scope;
    ui::TApplication application;
    application.SetTitle("Veilmark 1.0");
    ui::Dispatch([] { throw rtl::Exception("Something failed"); });
    ui::Dispatch([] { throw std::runtime_error("plain error!"); });
    // A reader's code is for tools and tests: the box shows the message only.
    ui::Dispatch([] { throw rtl::Exception("Bitmap image is not valid").WithCode("bmp.header.magic"); });
    bool ran = false;
    ui::Dispatch([&] { ran = true; });
    EXPECT_TRUE(ran);
    ASSERT_EQ(scope.Script().Boxes.size(), 3u);
    EXPECT_EQ(scope.Script().Boxes[0].Type, ui::TMsgDlgType::mtError);
    EXPECT_EQ(scope.Script().Boxes[0].Caption, "Veilmark 1.0");
    EXPECT_EQ(scope.Script().Boxes[0].Text, "Something failed.");
    EXPECT_EQ(scope.Script().Boxes[1].Text, "plain error!");
    EXPECT_EQ(scope.Script().Boxes[2].Text, "Bitmap image is not valid.");
}

TEST(Text8, WhatTheCodePageCannotHoldBecomesAQuestionMark) {
    EXPECT_EQ(ui::RestrictToCodePage(QString::fromUtf8("caf\u00e9 \u20ac \u0416\u03a9"), 1252), QString::fromUtf8("caf\u00e9 \u20ac ??"));
    EXPECT_EQ(ui::DecodeAnsi("\x80\x81\xE9", 1252), QString::fromUtf8("\u20ac\u0081\u00e9"));
    EXPECT_EQ(ui::EncodeAnsi(QString::fromUtf8("\u20ac\u00e9\u0416"), 1252), "\x80\xE9?");
    EXPECT_EQ(ui::CodePageOfCharset(204), 1251);
    EXPECT_EQ(ui::CodePageOfCharset(ui::DEFAULT_CHARSET), 0);
}

TEST(Memo, TypedAndPastedCharactersAreHeldInTheCodePage) {
    QtApp();
    ui::TMemo memo;
    memo.Lines()->Add("first");
    QTextCursor cursor = memo.Editor()->textCursor();
    cursor.movePosition(QTextCursor::End);
    memo.Editor()->setTextCursor(cursor);
    memo.Editor()->insertPlainText(QString::fromUtf8("\n\u00e9t\u00e9 \u041c\u0438\u0440 \U0001F600"));
    ASSERT_EQ(memo.Lines()->Count(), 2);
    EXPECT_EQ(memo.Lines()->Strings(1), "\xE9t\xE9 ??? ??");
    EXPECT_EQ(memo.Editor()->toPlainText(), QString::fromUtf8("first\n\u00e9t\u00e9 ??? ??"));
    EXPECT_EQ(memo.GetText(), "first\r\n\xE9t\xE9 ??? ??");

    memo.SetText("one\r\ntwo\r\n");
    EXPECT_EQ(memo.Lines()->Count(), 2);
    memo.Lines()->Clear();
    EXPECT_EQ(memo.Lines()->Count(), 0);
    EXPECT_EQ(memo.GetText(), "");
}

TEST(Memo, AFontCharacterSetPicksTheCodePageOfItsEightBitText) {
    QtApp();
    ui::TMemo memo;
    memo.Font()->SetCharset(204);  // RUSSIAN_CHARSET: Windows-1251 (not known to the built-in table)
    EXPECT_EQ(memo.CodePage(), 1251);
    memo.Font()->SetCharset(ui::DEFAULT_CHARSET);
    EXPECT_EQ(memo.CodePage(), ui::InterfaceCodePage());
}

// Typing is held to the system code page whatever character set a translation gave the font;
// text the program sets (a translated prompt) is shown as it is.
TEST(Memo, TypingFollowsTheSystemCodePageNotTheFont) {
    QtApp();
    ui::TMemo memo;
    memo.Font()->SetCharset(204);
    memo.SetUserText(u"\u0416\u00e9");
    EXPECT_EQ(memo.Editor()->toPlainText(), QString::fromUtf8("\u0416\u00e9"));
    QTextCursor cursor = memo.Editor()->textCursor();
    cursor.movePosition(QTextCursor::End);
    memo.Editor()->setTextCursor(cursor);
    memo.Editor()->insertPlainText(QString::fromUtf8("\n\u00fc\u0416"));
    EXPECT_EQ(memo.UserText(), u"\u0416\u00e9\r\n\u00fc?");
}

TEST(Label, JustificationMirrorsUnderRightToLeftReadingOrder) {
    QtApp();
    ui::TLabel label;
    EXPECT_TRUE(label.ShownAlignment() & Qt::AlignLeft);
    label.Widget()->setLayoutDirection(Qt::RightToLeft);
    EXPECT_TRUE(label.ShownAlignment() & Qt::AlignRight);
    label.SetAlignment(ui::TAlignment::taRightJustify);
    EXPECT_TRUE(label.ShownAlignment() & Qt::AlignLeft);
    label.SetAlignment(ui::TAlignment::taCenter);
    EXPECT_TRUE(label.ShownAlignment() & Qt::AlignHCenter);
}

TEST(Align, LeftBottomAndClientWithMargins) {
    QtApp();
    ui::TPanel panel;
    panel.SetBevelOuter(ui::TBevelCut::bvNone);
    panel.SetBounds(0, 0, 300, 200);
    ui::TPanel left, bottom, client;
    left.SetWidth(50);
    left.SetAlignWithMargins(true);
    left.SetAlign(rtti::TAlign::alLeft);
    bottom.SetHeight(40);
    bottom.SetAlign(rtti::TAlign::alBottom);
    client.SetAlign(rtti::TAlign::alClient);
    left.SetParent(&panel);
    bottom.SetParent(&panel);
    client.SetParent(&panel);
    EXPECT_EQ(QRect(bottom.Left(), bottom.Top(), bottom.Width(), bottom.Height()), QRect(0, 160, 300, 40));
    EXPECT_EQ(QRect(left.Left(), left.Top(), left.Width(), left.Height()), QRect(3, 3, 50, 154));
    EXPECT_EQ(QRect(client.Left(), client.Top(), client.Width(), client.Height()), QRect(56, 0, 244, 160));
    EXPECT_EQ(client.Widget()->geometry(), QRect(56, 0, 244, 160));
    panel.SetBounds(0, 0, 400, 300);  // resizing the parent lays the children out again
    EXPECT_EQ(QRect(client.Left(), client.Top(), client.Width(), client.Height()), QRect(56, 0, 344, 260));
    // Bevels shrink the area the children fill.
    panel.SetBevelOuter(ui::TBevelCut::bvRaised);
    panel.SetBevelInner(ui::TBevelCut::bvLowered);
    EXPECT_EQ(bottom.Top(), 300 - 2 - 40);
    client.SetParent(nullptr);
    bottom.SetParent(nullptr);
    left.SetParent(nullptr);
}

struct TChangeCounter : rtti::TPersistent {
    int Count = 0;
    void Changed(rtl::TObject*) { ++Count; }
};

TEST(Menu, ChangesOfTheMenuOrAnItemReachOnChange) {
    QtApp();
    TChangeCounter counter;  // outlives the menu, which reports its items' going as well
    rtti::TComponent owner;
    auto* menu = owner.Add<ui::TMainMenu>("mm1");
    auto* file = owner.Add<ui::TMenuItem>("File1");
    auto* open = owner.Add<ui::TMenuItem>("Open1");
    auto* action = owner.Add<ui::TAction>("actOpen");
    static const rtti::TMethodInfo handler{"Changed", [](rtti::TPersistent& self, rtl::TObject* sender) {
                                               static_cast<TChangeCounter&>(self).Changed(sender);
                                           }};
    menu->OnChange = rtti::TMethod{&counter, &handler};
    file->SetCaption("File");
    menu->Items()->Add(file);
    EXPECT_EQ(counter.Count, 1);
    file->Add(open);
    EXPECT_EQ(counter.Count, 2);
    open->SetAction(action);
    action->SetCaption("Open the file");
    EXPECT_EQ(open->Caption(), "Open the file");  // no caption of its own: the action's
    EXPECT_GE(counter.Count, 4);
    open->SetCaption("Open...");
    action->SetCaption("OpenBmp");
    EXPECT_EQ(open->Caption(), "Open...");
    ASSERT_NE(file->QtMenu(), nullptr);
    EXPECT_EQ(file->QtMenu()->actions().size(), 1);
    EXPECT_EQ(open->QtAction()->text(), "&Open...");  // with the mnemonic the menu adds
    const int before = counter.Count;
    open->SetChecked(true);
    EXPECT_EQ(counter.Count, before + 1);
}

TEST(Menu, RadioItemsOfOneGroupAreExclusive) {
    QtApp();
    rtti::TComponent owner;
    auto* language = owner.Add<ui::TMenuItem>("Language1");
    ui::TMenuItem* items[3];
    for (int i = 0; i < 3; ++i) {
        items[i] = owner.Add<ui::TMenuItem>("L" + std::to_string(i));
        items[i]->SetRadioItem(true);
        items[i]->SetGroupIndex(i < 2 ? 0 : 1);
        language->Add(items[i]);
    }
    items[0]->SetChecked(true);
    items[2]->SetChecked(true);
    items[1]->SetChecked(true);
    EXPECT_FALSE(items[0]->Checked());
    EXPECT_TRUE(items[1]->Checked());
    EXPECT_TRUE(items[2]->Checked());  // another group
    EXPECT_TRUE(items[1]->QtAction()->isChecked());
    EXPECT_FALSE(items[0]->QtAction()->isChecked());
    // Qt's own toggling on a click does not decide: the click handler does.
    items[1]->QtAction()->trigger();
    EXPECT_TRUE(items[1]->Checked());
    EXPECT_TRUE(items[1]->QtAction()->isChecked());
    language->Clear();
    EXPECT_EQ(language->Count(), 0);
    EXPECT_EQ(owner.FindComponent("L0"), nullptr);
}

std::vector<std::uint8_t> PictureData(const std::string& className, const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> data;
    data.reserve(1 + className.size() + body.size());
    data.push_back(static_cast<std::uint8_t>(className.size()));
    for (char c : className) data.push_back(static_cast<std::uint8_t>(c));
    for (std::uint8_t b : body) data.push_back(b);
    return data;
}

TEST(Picture, BitmapsFromPictureDataAndDamagedData) {
    QtApp();
    bitmap::TBitmap bmp(2, 1, 32);
    bmp.ScanLine(0)[0] = 0x10;  // blue
    bmp.ScanLine(0)[1] = 0x20;  // green
    bmp.ScanLine(0)[2] = 0x30;  // red
    bmp.ScanLine(0)[3] = 0x00;  // the fourth byte of a 32-bit bitmap without masks is not alpha
    rtl::TMemoryStream file;
    bmp.SaveToStream(file);
    std::vector<std::uint8_t> body(4);
    const auto size = static_cast<std::uint32_t>(file.Bytes().size());
    for (int i = 0; i < 4; ++i) body[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
    body.insert(body.end(), file.Bytes().begin(), file.Bytes().end());

    ui::TImage image;
    image.Picture()->SetData(PictureData("TBitmap", body));
    ASSERT_FALSE(image.Empty());
    EXPECT_EQ(image.Bitmap().Width(), 2);
    EXPECT_EQ(image.Shown().pixel(0, 0), qRgba(0x30, 0x20, 0x10, 255));

    // A size beyond the data, a cut class name, an unknown class: errors, not reads past the end.
    auto cut = body;
    cut[0] = 0xFF;
    cut[1] = 0xFF;
    EXPECT_THROW(ui::DecodePictureData(PictureData("TBitmap", cut)), bitmap::EInvalidGraphic);
    EXPECT_THROW(ui::DecodePictureData({9, 'T', 'B'}), bitmap::EInvalidGraphic);
    EXPECT_THROW(ui::DecodePictureData(PictureData("TMetafile", body)), bitmap::EInvalidGraphic);
    EXPECT_THROW(ui::DecodePictureData(PictureData("TPngImage", {1, 2, 3})), bitmap::EInvalidGraphic);
    EXPECT_THROW(ui::DecodePictureData(PictureData("TBitmap", {1, 0})), rtl::EReadError);

    image.ClearPicture();
    EXPECT_TRUE(image.Empty());
}

std::vector<std::uint8_t> Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return {bytes.begin(), bytes.end()};
}

TEST(Picture, PngPicturesAreReadAsPngOnly) {
    QtApp();
    QImage source(3, 2, QImage::Format_ARGB32);
    source.fill(qRgba(0x30, 0x20, 0x10, 0x80));
    source.setPixel(2, 1, qRgba(0xFF, 0, 0, 0xFF));
    const auto png = Encoded(source, "PNG");
    ASSERT_FALSE(png.empty());

    ui::TImage image;
    image.Picture()->SetData(PictureData("TPngImage", png));
    ASSERT_FALSE(image.Empty());
    EXPECT_TRUE(image.Bitmap().Empty());
    EXPECT_EQ(image.Shown().size(), QSize(3, 2));
    EXPECT_EQ(image.Shown().convertToFormat(QImage::Format_ARGB32).pixel(2, 1), qRgba(0xFF, 0, 0, 0xFF));
    EXPECT_EQ(qAlpha(image.Shown().convertToFormat(QImage::Format_ARGB32).pixel(0, 0)), 0x80);

    // Another format under the PNG class name is not guessed at, and a cut PNG is refused.
    EXPECT_THROW(ui::DecodePictureData(PictureData("TPngImage", Encoded(source, "BMP"))), bitmap::EInvalidGraphic);
    const std::vector<std::uint8_t> cut(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2));
    EXPECT_THROW(ui::DecodePictureData(PictureData("TPngImage", cut)), bitmap::EInvalidGraphic);

    // A picture control decodes a PNG image when it is first asked for or drawn. What can be
    // told without decoding is refused at once, as before: another format, a cut header.
    EXPECT_THROW(image.Picture()->SetData(PictureData("TPngImage", Encoded(source, "BMP"))), bitmap::EInvalidGraphic);
    EXPECT_THROW(image.Picture()->SetData(PictureData("TPngImage", {png.begin(), png.begin() + 20})), bitmap::EInvalidGraphic);
    // Pixel data that does not decode behind a sound header leaves the picture empty, never a
    // read past the end.
    image.Picture()->SetData(PictureData("TPngImage", cut));
    EXPECT_TRUE(image.Empty());
    EXPECT_TRUE(image.Shown().isNull());
    EXPECT_EQ(image.DestRect(), QRect());
    // Settings made before the first use apply to what is decoded: a transparent picture, then
    // a bitmap that replaces a PNG image not decoded yet.
    image.SetTransparent(true);
    image.Picture()->SetData(PictureData("TPngImage", png));
    EXPECT_EQ(image.Shown().size(), QSize(3, 2));
    image.Picture()->SetData(PictureData("TPngImage", png));
    image.Bitmap() = bitmap::TBitmap(5, 4, 24);
    image.BitmapChanged();
    EXPECT_EQ(image.Shown().size(), QSize(5, 4));
    image.Picture()->SetData(PictureData("TPngImage", png));
    image.ClearPicture();
    EXPECT_TRUE(image.Empty());
}

TEST(Picture, CentredAtItsOwnSizeOrStretched) {
    QtApp();
    ui::TImage image;
    image.SetBounds(0, 0, 100, 80);
    image.Bitmap() = bitmap::TBitmap(24, 21, 24);
    image.BitmapChanged();
    image.SetCenter(true);
    EXPECT_EQ(image.DestRect(), QRect(38, 29, 24, 21));
    image.SetStretch(true);
    EXPECT_EQ(image.DestRect(), QRect(0, 0, 100, 80));
}

TEST(FileDialogs, FiltersExtensionsAndWebAddresses) {
    EXPECT_EQ(ui::QtNameFilters("Bitmap Files (*.bmp)|*.bmp"), "Bitmap Files (*.bmp)");
    EXPECT_EQ(ui::QtNameFilters("Bitmaps|*.bmp;*.dib|All|*"), "Bitmaps (*.bmp *.dib);;All (*)");
    EXPECT_EQ(ui::WithDefaultExt("/tmp/image", "bmp"), "/tmp/image.bmp");
    EXPECT_EQ(ui::WithDefaultExt("/tmp/image.dib", "bmp"), "/tmp/image.dib");
    EXPECT_TRUE(ui::IsWebAddress("https://veilmark.example.org/"));
    EXPECT_TRUE(ui::IsWebAddress("http://example.org/a?b=c"));
    EXPECT_FALSE(ui::IsWebAddress("file:///etc/passwd"));
    EXPECT_FALSE(ui::IsWebAddress("/usr/bin/xterm"));
    EXPECT_FALSE(ui::IsWebAddress("javascript:alert(1)"));
    EXPECT_FALSE(ui::IsWebAddress("https://"));
    EXPECT_FALSE(ui::IsWebAddress(""));
}

// A small designed form, read from its form stream.
class TTestForm : public ui::TForm {
    VLMRK_RTTI_CLASS(TTestForm)
public:
    int Created = 0;
    void FormCreate(rtl::TObject*) { ++Created; }
};

const rtti::TClassInfo* TTestForm::StaticClass() {
    static const rtti::TClassInfo info("TTestForm", ui::TForm::StaticClass(), nullptr, {},
                                       {rtti::pub::Method<TTestForm>("FormCreate", &TTestForm::FormCreate)});
    return &info;
}

const char* kTestForm = R"(object TestForm: TTestForm
  Caption = 'Test'
  ClientHeight = 120
  ClientWidth = 200
  Font.Height = -11
  Font.Name = 'Tahoma'
  BiDiMode = bdRightToLeft
  PixelsPerInch = 96
  OnCreate = FormCreate
  object Panel1: TPanel
    Left = 0
    Top = 0
    Width = 200
    Height = 100
    Align = alTop
    Color = clSkyBlue
    object Label1: TLabel
      Left = 8
      Top = 8
      Caption = 'Encrypt'
    end
  end
  object Status: TStatusBar
    SimplePanel = True
    SimpleText = 'Ready'
  end
end
)";

// The forms name Windows families: one the system has (here through the tests' fontconfig alias)
// is asked for as named; one it lacks is drawn in the desktop's font.
TEST(Fonts, AMissingFamilyIsDrawnInTheDesktopFont) {
    ui::AwaitFontConfigLoad();  // nothing begun: returns at once
    ui::BeginFontConfigLoad();
    ui::BeginFontConfigLoad();  // once is enough
    rtti::TFont font;
    font.SetName("Tahoma");
    EXPECT_EQ(ui::ToQFont(font).family(), "Tahoma");
    font.SetName("DejaVu Sans");
    EXPECT_EQ(ui::ToQFont(font).family(), "DejaVu Sans");
    font.SetName("No Such Family Here");
    EXPECT_EQ(ui::ToQFont(font).family(), QFontInfo(QGuiApplication::font()).family());
    ui::AwaitFontConfigLoad();
}

TEST(Forms, AFormComesUpFromItsStream) {
    QtApp();
    guitest::TScriptScope scope;
    ui::TApplication application;
    application.Initialize();
    rtl::TMemoryStream stream;
    rtti::ObjectTextToBinary(kTestForm, stream);
    const std::vector<std::uint8_t> bytes = stream.Bytes();
    ui::SetFormResourceLookup([bytes](const rtl::AnsiString& name) -> std::optional<std::vector<std::uint8_t>> {
        if (name == "TTestForm") return bytes;
        return std::nullopt;
    });
    auto* form = ui::CreateForm<TTestForm>();
    ui::SetFormResourceLookup({});
    EXPECT_EQ(form->Created, 1);
    EXPECT_EQ(application.MainForm(), form);
    EXPECT_EQ(form->ClientWidth(), 200);
    EXPECT_EQ(form->ClientHeight(), 120);
    EXPECT_EQ(form->Widget()->windowTitle(), "Test");
    EXPECT_EQ(form->Widget()->layoutDirection(), Qt::RightToLeft);

    auto* panel = dynamic_cast<ui::TPanel*>(form->FindComponent("Panel1"));
    auto* label = dynamic_cast<ui::TLabel*>(form->FindComponent("Label1"));
    auto* status = dynamic_cast<ui::TStatusBar*>(form->FindComponent("Status"));
    ASSERT_TRUE(panel && label && status);
    EXPECT_EQ(panel->Width(), 200);
    // The status bar sits at the bottom, 19 high; the label follows its parent's font and sizes
    // itself to its caption.
    EXPECT_EQ(status->Top(), 120 - 19);
    EXPECT_EQ(status->Width(), 200);
    EXPECT_EQ(status->ShownText(), "Ready");
    EXPECT_EQ(label->Font()->Name(), "Tahoma");
    const QFontMetrics metrics(ui::ToQFont(*label->Font()));
    EXPECT_EQ(label->Width(), metrics.horizontalAdvance("Encrypt"));
    EXPECT_EQ(label->Height(), metrics.height());

    EXPECT_FALSE(label->Font()->HandleAllocated());
    form->Show();
    EXPECT_TRUE(label->Font()->HandleAllocated());

    // Live changes reach the widgets at once.
    label->SetText("Cifrar texto");
    EXPECT_EQ(label->Width(), metrics.horizontalAdvance("Cifrar texto"));
    form->SetText("Prueba");
    EXPECT_EQ(form->Widget()->windowTitle(), "Prueba");
    form->SetBiDiMode(rtti::TBiDiMode::bdLeftToRight);
    EXPECT_EQ(form->Widget()->layoutDirection(), Qt::LeftToRight);

    // Rescaling multiplies positions, sizes and font heights.
    form->ScaleBy(3, 2);
    EXPECT_EQ(form->ClientWidth(), 300);
    EXPECT_EQ(label->Left(), 12);
    EXPECT_EQ(form->Font()->Height(), -17);
    EXPECT_EQ(form->PixelsPerInch(), 144);
}

TEST(Forms, AMissingFormResourceIsAnError) {
    QtApp();
    guitest::TScriptScope scope;
    ui::TApplication application;
    ui::SetFormResourceLookup([](const rtl::AnsiString&) { return std::nullopt; });
    EXPECT_THROW(ui::CreateForm<TTestForm>(), rtl::Exception);
    ui::SetFormResourceLookup({});
}

}  // namespace

// A form whose OnCreate fills a sub-menu of its streamed main menu, as the main window fills its
// Language menu.
class TMenuForm : public ui::TForm {
    VLMRK_RTTI_CLASS(TMenuForm)
public:
    std::vector<rtl::TObject*> Changes;
    void FormCreate(rtl::TObject*) {
        auto* language = dynamic_cast<ui::TMenuItem*>(FindComponent("Language1"));
        for (const char* caption : {"English", "Espanol", "Francais"}) {
            auto* item = Add<ui::TMenuItem>(caption);
            item->SetCaption(caption);
            item->SetRadioItem(true);
            language->Add(item);
            item->SetChecked(std::string(caption) == "Espanol");
        }
    }
    void MenuChange(rtl::TObject* sender) { Changes.push_back(sender); }
};

const rtti::TClassInfo* TMenuForm::StaticClass() {
    static const rtti::TClassInfo info("TMenuForm", ui::TForm::StaticClass(), nullptr, {},
                                       {rtti::pub::Method<TMenuForm>("FormCreate", &TMenuForm::FormCreate),
                                        rtti::pub::Method<TMenuForm>("MenuChange", &TMenuForm::MenuChange)});
    return &info;
}

TEST(Forms, AStreamedMenuIsBuiltOnceAndWhatOnCreateAddsIsReportedOnce) {
    QtApp();
    guitest::TScriptScope scope;
    ui::TApplication application;
    application.Initialize();
    rtl::TMemoryStream stream;
    rtti::ObjectTextToBinary(R"(object MenuForm: TMenuForm
  ClientHeight = 120
  ClientWidth = 200
  Menu = mm1
  OnCreate = FormCreate
  object mm1: TMainMenu
    OnChange = MenuChange
    object File1: TMenuItem
      Caption = '&File'
      object Open1: TMenuItem
        Caption = '&Open...'
      end
      object N1: TMenuItem
        Caption = '-'
      end
      object Exit1: TMenuItem
        Caption = 'Exit'
        Enabled = False
      end
    end
    object Language1: TMenuItem
      Caption = 'Language'
    end
  end
end
)", stream);
    const std::vector<std::uint8_t> bytes = stream.Bytes();
    ui::SetFormResourceLookup([bytes](const rtl::AnsiString& name) -> std::optional<std::vector<std::uint8_t>> {
        if (name == "TMenuForm") return bytes;
        return std::nullopt;
    });
    auto* form = ui::CreateForm<TMenuForm>();
    ui::SetFormResourceLookup({});
    auto* menu = form->Menu();
    ASSERT_NE(menu, nullptr);

    // The streamed items are all built: bar, sub-menus, separators, states and mnemonics.
    const QList<QAction*> bar = menu->MenuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(bar[0]->text(), "&File");
    EXPECT_EQ(bar[1]->text(), "&Language");  // a mnemonic given where the caption had none
    auto* file = dynamic_cast<ui::TMenuItem*>(form->FindComponent("File1"));
    ASSERT_NE(file->QtMenu(), nullptr);
    const QList<QAction*> fileActions = file->QtMenu()->actions();
    ASSERT_EQ(fileActions.size(), 3);
    EXPECT_EQ(fileActions[0]->text(), "&Open...");
    EXPECT_TRUE(fileActions[1]->isSeparator());
    EXPECT_EQ(fileActions[2]->text(), "&Exit");
    EXPECT_FALSE(fileActions[2]->isEnabled());

    // OnCreate's three items: built as radio items of one group, reported once, by the menu.
    auto* language = dynamic_cast<ui::TMenuItem*>(form->FindComponent("Language1"));
    ASSERT_NE(language->QtMenu(), nullptr);
    const QList<QAction*> languages = language->QtMenu()->actions();
    ASSERT_EQ(languages.size(), 3);
    EXPECT_EQ(languages[1]->text(), "E&spanol");
    EXPECT_TRUE(languages[1]->isChecked());
    ASSERT_NE(languages[0]->actionGroup(), nullptr);
    EXPECT_EQ(languages[0]->actionGroup(), languages[2]->actionGroup());
    ASSERT_EQ(form->Changes.size(), 1u);
    EXPECT_EQ(form->Changes[0], menu);

    // Afterwards every change shows and is reported at once, by the item.
    auto* english = dynamic_cast<ui::TMenuItem*>(form->FindComponent("English"));
    english->SetCaption("Ingles");
    EXPECT_EQ(languages[0]->text(), "&Ingles");
    ASSERT_EQ(form->Changes.size(), 2u);
    EXPECT_EQ(form->Changes[1], english);
}
