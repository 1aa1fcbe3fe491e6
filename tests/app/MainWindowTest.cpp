// The main window: start state, the six commands with their messages, layout and hover.

#include <unistd.h>

#include <QFontMetrics>
#include <QPlainTextEdit>

#include "platform/bitmap/Bitmap.h"
#include "platform/rtl/FileUtils.h"
#include "tests/app/AppTestFixture.h"

namespace {

void WriteBitmap(const std::string& path, int width, int height, int bitCount) {
    bitmap::TBitmap bmp(width, height, bitCount);
    if (bitCount == 16) bmp.SetMasks({0xF800, 0x07E0, 0x001F, 0});  // 5-6-5
    bmp.SaveToFile(path);
}

TEST_F(AppWindows, StartState) {
    EXPECT_EQ(Status(), "Ready");
    EXPECT_EQ(form->mmo1->GetText(), "Enter your text here");
    EXPECT_EQ(form->mmo1->Lines()->Count(), 1);
    EXPECT_EQ(form->pnl3->GetText(), "Click to load a bitmap image");
    EXPECT_TRUE(form->image2->Bitmap().Empty());
    EXPECT_EQ(form->GetText(), "Veilmark 1.0");
    EXPECT_EQ(form->WindowState(), ui::TWindowState::wsMaximized);
    // Both forms exist from the start, the About box hidden.
    ASSERT_EQ(rtti::Screen().FormCount(), 2);
    EXPECT_EQ(rtti::Screen().Forms(0), form);
    EXPECT_EQ(rtti::Screen().Forms(1), about);
    EXPECT_FALSE(about->Widget()->isVisible());
    EXPECT_EQ(ui::Application()->MainForm(), form);
    // The menu as designed; a menu item without a caption of its own shows its action's.
    EXPECT_EQ(form->mm1->Items()->Count(), 4);
    EXPECT_EQ(form->Language1->Count(), 0);
    auto* decrypt = dynamic_cast<ui::TMenuItem*>(form->FindComponent("Decrypt1"));
    ASSERT_NE(decrypt, nullptr);
    EXPECT_EQ(decrypt->Caption(), "Decrypt");
    EXPECT_EQ(dynamic_cast<ui::TMenuItem*>(form->FindComponent("Open1"))->Caption(), "Open...");
    EXPECT_EQ(form->image3->Hint(), "Encrypt text into image");
    EXPECT_EQ(form->image3->Widget()->toolTip(), "Encrypt text into image");
}

TEST_F(AppWindows, EncryptAndDecryptWithoutAnImage) {
    dynamic_cast<ui::TMenuItem*>(form->FindComponent("Encrypt1"))->QtAction()->trigger();
    ASSERT_EQ(Script().Boxes.size(), 1u);
    EXPECT_EQ(Script().Boxes[0].Type, ui::TMsgDlgType::mtError);
    EXPECT_EQ(Script().Boxes[0].Caption, "Error");
    EXPECT_EQ(Script().Boxes[0].Text, "You must load a bitmap to encrypt the text");
    EXPECT_EQ(Status(), "Text Encryption Faild, No Image to Encrypt");

    guitest::SendClick(form->image4->Widget());  // the Decrypt icon
    ASSERT_EQ(Script().Boxes.size(), 2u);
    EXPECT_EQ(Script().Boxes[1].Caption, "Error");
    EXPECT_EQ(Script().Boxes[1].Text, "You must load an encrypt bitmap to decrypt the hidden text");
    EXPECT_EQ(Status(), "Text Decryption Failed, No Image to Encrypt From");
    EXPECT_TRUE(Script().SaveRequests.empty());
    EXPECT_EQ(form->mmo1->GetText(), "Enter your text here");
}

TEST_F(AppWindows, OpenReportsTheCapacity) {
    WriteBitmap(PathOf("small.bmp"), 24, 21, 24);
    Script().OpenAnswers.push_back(QString::fromStdString(PathOf("small.bmp")));
    guitest::SendClick(form->image5->Widget());  // the Open icon
    ASSERT_EQ(Script().OpenRequests.size(), 1u);
    EXPECT_EQ(Script().OpenRequests[0].Title, "Open a Bitmap");
    EXPECT_EQ(Script().OpenRequests[0].Filter, "Bitmap Files (*.bmp)|*.bmp|All Files (*)|*");
    EXPECT_EQ(Script().OpenRequests[0].DefaultExt, "bmp");
    EXPECT_EQ(Status(), "The maximum number characters to encrypt in this image is: 63");
    EXPECT_EQ(form->image2->Bitmap().Width(), 24);

    // A click on the picture area opens too; cancelling changes nothing.
    guitest::SendClick(form->image2->Widget());
    EXPECT_EQ(Script().OpenRequests.size(), 2u);
    EXPECT_EQ(form->image2->Bitmap().Width(), 24);

    // A file that is no bitmap: the default error box, the status stays.
    {
        rtl::SaveFileAtomically(PathOf("broken.bmp"), std::vector<std::uint8_t>{'B', 'M', 1, 2, 3});
    }
    Script().OpenAnswers.push_back(QString::fromStdString(PathOf("broken.bmp")));
    dynamic_cast<ui::TMenuItem*>(form->FindComponent("Open1"))->QtAction()->trigger();
    ASSERT_EQ(Script().Boxes.size(), 1u);
    EXPECT_EQ(Script().Boxes[0].Caption, "Veilmark 1.0");
    EXPECT_EQ(Script().Boxes[0].Text.back(), QChar('.'));
    EXPECT_EQ(Status(), "The maximum number characters to encrypt in this image is: 63");
    EXPECT_EQ(form->image2->Bitmap().Width(), 24);
}

TEST_F(AppWindows, EncryptWithACancelledSaveKeepsTheTextInMemory) {
    WriteBitmap(PathOf("carrier.bmp"), 40, 40, 24);
    Script().OpenAnswers.push_back(QString::fromStdString(PathOf("carrier.bmp")));
    Run(&app::TForm1::actOpenBmpExecute);
    form->mmo1->SetText("  Hi  \r\n\r\n");
    form->image3->Click();  // Encrypt; the save dialog is cancelled
    ASSERT_EQ(Script().SaveRequests.size(), 1u);
    EXPECT_EQ(Script().SaveRequests[0].Title, "Save Bitmap");
    EXPECT_EQ(Script().SaveRequests[0].FileName, "image.bmp");
    EXPECT_EQ(Status(), "Your Text Was Encrypted into Image");
    EXPECT_FALSE(std::filesystem::exists(dir / "image.bmp"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);

    form->mmo1->Clear();
    Run(&app::TForm1::actDecryptExecute);
    EXPECT_EQ(form->mmo1->GetText(), "Hi");
    EXPECT_EQ(Status(), "Text Decryption Finished");
    EXPECT_TRUE(Script().Boxes.empty());
}

TEST_F(AppWindows, EncryptSaveOpenAgainAndDecrypt) {
    WriteBitmap(PathOf("carrier.bmp"), 64, 48, 16);
    Script().OpenAnswers.push_back(QString::fromStdString(PathOf("carrier.bmp")));
    Run(&app::TForm1::actOpenBmpExecute);
    form->mmo1->SetText("Line one\r\nL\xEDnea dos");
    Script().SaveAnswers.push_back(QString::fromStdString(PathOf("hidden")));  // no extension given
    Run(&app::TForm1::actAancryptandSaveExecute);
    EXPECT_EQ(Status(), "Your Text Was Encrypted into Image");
    ASSERT_TRUE(std::filesystem::exists(dir / "hidden.bmp"));

    Run(&app::TForm1::actClearAllExecute);
    EXPECT_EQ(Status(), "All fields clear, Ready to Work");
    EXPECT_TRUE(form->image2->Bitmap().Empty());
    EXPECT_EQ(form->mmo1->Lines()->Count(), 0);

    Script().OpenAnswers.push_back(QString::fromStdString(PathOf("hidden.bmp")));
    Run(&app::TForm1::actOpenBmpExecute);
    EXPECT_EQ(form->image2->Bitmap().BitCount(), 16);
    Run(&app::TForm1::actDecryptExecute);
    EXPECT_EQ(form->mmo1->Lines()->Count(), 2);
    EXPECT_EQ(form->mmo1->Lines()->Strings(1), "L\xEDnea dos");
    EXPECT_EQ(form->mmo1->Editor()->toPlainText(), QString::fromUtf8("Line one\nL\u00ednea dos"));

    // An image without hidden text: memo and status stay.
    WriteBitmap(PathOf("plain.bmp"), 64, 48, 24);
    Script().OpenAnswers.push_back(QString::fromStdString(PathOf("plain.bmp")));
    Run(&app::TForm1::actOpenBmpExecute);
    const std::string status = Status();
    Run(&app::TForm1::actDecryptExecute);
    EXPECT_EQ(Status(), status);
    EXPECT_EQ(form->mmo1->Lines()->Count(), 2);
}

TEST_F(AppWindows, CodecErrorsGoToTheDefaultErrorBox) {
    WriteBitmap(PathOf("palette.bmp"), 24, 21, 8);
    Script().OpenAnswers.push_back(QString::fromStdString(PathOf("palette.bmp")));
    Run(&app::TForm1::actOpenBmpExecute);
    const std::string status = Status();
    Run(&app::TForm1::actAancryptandSaveExecute);
    ASSERT_EQ(Script().Boxes.size(), 1u);
    EXPECT_EQ(Script().Boxes[0].Type, ui::TMsgDlgType::mtError);
    EXPECT_EQ(Script().Boxes[0].Caption, "Veilmark 1.0");
    EXPECT_EQ(Script().Boxes[0].Text, "Cannot encrypt less than 16-bit color bmp's !");
    EXPECT_EQ(Status(), status);
    EXPECT_TRUE(Script().SaveRequests.empty());

    Run(&app::TForm1::actDecryptExecute);
    ASSERT_EQ(Script().Boxes.size(), 2u);
    EXPECT_EQ(Script().Boxes[1].Text, "Cannot encrypt less than 16-bit color bmp's !");

    WriteBitmap(PathOf("small.bmp"), 24, 21, 24);
    Script().OpenAnswers.push_back(QString::fromStdString(PathOf("small.bmp")));
    Run(&app::TForm1::actOpenBmpExecute);
    form->mmo1->SetText(std::string(40, 'x'));
    Run(&app::TForm1::actAancryptandSaveExecute);
    ASSERT_EQ(Script().Boxes.size(), 3u);
    EXPECT_EQ(Script().Boxes[2].Caption, "Veilmark 1.0");
    EXPECT_EQ(Script().Boxes[2].Text, "Too long string to encrypt (Max: 63, Actual: 101)");
    EXPECT_EQ(Status(), "The maximum number characters to encrypt in this image is: 63");
}

TEST_F(AppWindows, LabelsStackAndCentreUnderTheirIcons) {
    const auto icons = form->Icons();
    const auto labels = form->Labels();
    for (std::size_t i = 0; i < icons.size(); ++i) {
        SCOPED_TRACE(labels[i]->Name());
        EXPECT_EQ(icons[i]->Left(), 24);
        EXPECT_EQ(icons[i]->Top(), 8 + 72 * static_cast<int>(i));
        EXPECT_EQ(labels[i]->Top(), 58 + 72 * static_cast<int>(i));
        const QFontMetrics metrics(ui::ToQFont(*labels[i]->Font()));
        const int width = metrics.horizontalAdvance(QString::fromStdString(labels[i]->GetText()));
        EXPECT_EQ(labels[i]->Width(), width);
        EXPECT_EQ(labels[i]->Left(), 24 + 24 - width / 2);
        EXPECT_EQ(labels[i]->Widget()->geometry(), QRect(labels[i]->Left(), labels[i]->Top(), width, labels[i]->Height()));
    }
}

TEST_F(AppWindows, MenuChangesRecentreTheLabelsAndSayReady) {
    Run(&app::TForm1::actClearAllExecute);
    form->lbl1->SetText("A much longer caption");
    auto* item = form->Add<ui::TMenuItem>("English1");
    item->SetCaption("English");
    item->SetRadioItem(true);
    form->Language1->Add(item);  // the menu changed
    EXPECT_EQ(Status(), "Ready");
    EXPECT_EQ(form->lbl1->Left(), 48 - form->lbl1->Width() / 2);
    EXPECT_LT(form->lbl1->Left(), 24);

    Run(&app::TForm1::actClearAllExecute);
    item->SetChecked(true);
    EXPECT_EQ(Status(), "Ready");
}

TEST_F(AppWindows, TheWindowKeepsItsMinimumSize) {
    form->SetBounds(0, 0, 100, 100);
    EXPECT_EQ(form->Width(), 544);
    EXPECT_EQ(form->Height(), 536);
    EXPECT_EQ(form->Widget()->minimumSize(), QSize(544, 536));
    form->SetBounds(0, 0, 900, 700);
    EXPECT_EQ(form->Width(), 900);
    // The layout follows: the column on the left, the work area filling the rest, the memo panel
    // 192 high at its bottom, the status bar 19 high at the window's bottom.
    EXPECT_EQ(form->stat1->Height(), 19);
    EXPECT_EQ(form->stat1->Top() + 19, form->ClientHeight());
    EXPECT_EQ(form->pnl2->Left(), 3);
    EXPECT_EQ(form->pnl2->Width(), 113);
    EXPECT_EQ(form->pnl3->Left(), 3 + 113 + 3 + 3);
    EXPECT_EQ(form->pnl3->Left() + form->pnl3->Width() + 3, 900);
    EXPECT_EQ(form->pnl1->Height(), 192);
    EXPECT_EQ(form->pnl1->Top() + 192 + form->pnl3->FrameWidth(), form->pnl3->Height());
    EXPECT_EQ(form->image2->Top() + form->image2->Height(), form->pnl1->Top());
}

TEST_F(AppWindows, IconsMoveOnHover) {
    QWidget* widget = form->image6->Widget();
    guitest::SendEnter(widget);
    EXPECT_EQ(form->image6->Left(), 26);
    EXPECT_EQ(form->image6->Top(), 8 + 4 * 72 + 2);
    EXPECT_EQ(widget->cursor().shape(), Qt::PointingHandCursor);
    guitest::SendLeave(widget);
    EXPECT_EQ(form->image6->Left(), 24);
    EXPECT_EQ(form->image6->Top(), 8 + 4 * 72);
    EXPECT_EQ(widget->cursor().shape(), Qt::ArrowCursor);
    // The picture area only changes its cursor.
    guitest::SendEnter(form->image2->Widget());
    EXPECT_EQ(form->image2->Widget()->cursor().shape(), Qt::PointingHandCursor);
    const QRect area = form->image2->Widget()->geometry();
    guitest::SendLeave(form->image2->Widget());
    EXPECT_EQ(form->image2->Widget()->geometry(), area);
}

TEST_F(AppWindows, ExitClosesTheMainWindow) {
    form->Show();
    dynamic_cast<ui::TMenuItem*>(form->FindComponent("Exit1"))->QtAction()->trigger();
    EXPECT_FALSE(form->Widget()->isVisible());
    EXPECT_TRUE(ui::Application()->Terminated());
}

}  // namespace
