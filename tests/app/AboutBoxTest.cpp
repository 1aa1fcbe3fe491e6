// The About box: modal, its link label and picture, its close icon.

#include "tests/app/AppTestFixture.h"

namespace {

TEST_F(AppWindows, AboutBoxLayout) {
    EXPECT_EQ(about->ClientWidth(), 298);
    EXPECT_EQ(about->ClientHeight(), 287);
    EXPECT_EQ(about->BorderStyle(), rtti::TFormBorderStyle::bsDialog);
    EXPECT_EQ(about->Panel1->Left(), 9);
    EXPECT_EQ(about->Image1->Left(), 71);
    EXPECT_EQ(about->image3->Top(), 233);
    EXPECT_EQ(about->sLabelFX1->Font()->Height(), -19);
    EXPECT_EQ(about->sLabel1->GetText(), "Encrypt Your Secret Text In a Bitmap Image");
    EXPECT_EQ(about->Image1->Bitmap().Width(), 145);
    EXPECT_EQ(about->Image1->Bitmap().Height(), 105);
    EXPECT_FALSE(about->image4->Empty());
    EXPECT_TRUE(about->image4->Stretch());
}

TEST_F(AppWindows, AboutBoxIsModalAndItsLinkOpensWebAddressesOnly) {
    bool checked = false;
    Script().WhileModal = [&](QWidget* window) {
        EXPECT_EQ(window, about->Widget());
        EXPECT_TRUE(about->Widget()->isVisible());
        QWidget* link = about->Comments->Widget();
        guitest::SendEnter(link);
        guitest::SendMove(link);
        EXPECT_EQ(about->Comments->Font()->Color(), rtti::clBlue);
        EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
        guitest::SendLeave(link);
        EXPECT_EQ(about->Comments->Font()->Color(), rtti::clBlack);
        EXPECT_EQ(link->cursor().shape(), Qt::ArrowCursor);

        guitest::SendClick(link);
        ASSERT_EQ(Script().OpenedUrls.size(), 1u);
        EXPECT_EQ(Script().OpenedUrls[0], QString::fromStdString(about->Comments->Hint()));

        // A hint a language file turned into something else is not handed to the desktop.
        about->Comments->SetHint("file:///etc/passwd");
        guitest::SendClick(link);
        about->Image1->SetHint("/usr/bin/xterm");
        about->Image1->Click();
        EXPECT_EQ(Script().OpenedUrls.size(), 1u);
        about->Image1->SetHint("http://veilmark.example.org/logo");
        about->Image1->Click();
        ASSERT_EQ(Script().OpenedUrls.size(), 2u);
        EXPECT_EQ(Script().OpenedUrls[1], "http://veilmark.example.org/logo");

        // The close icon moves on hover and closes the box.
        QWidget* close = about->image3->Widget();
        guitest::SendEnter(close);
        EXPECT_EQ(about->image3->Left(), 130);
        EXPECT_EQ(about->image3->Top(), 235);
        guitest::SendLeave(close);
        EXPECT_EQ(about->image3->Left(), 128);
        EXPECT_EQ(about->image3->Top(), 233);
        guitest::SendClick(close);
        EXPECT_FALSE(about->Widget()->isVisible());
        checked = true;
    };
    form->image6->Click();  // About
    EXPECT_TRUE(checked);
    ASSERT_EQ(Script().ModalWindows.size(), 1u);
    EXPECT_FALSE(about->Widget()->isVisible());
    // The box lives on for the next time.
    EXPECT_EQ(rtti::Screen().FormCount(), 2);
}

}  // namespace
