// The main window's passphrase commands: File > Encrypt with passphrase... asks twice and hides
// the encrypted text by LSB matching; Decrypt asks for the passphrase when the text is encrypted.
// Saving is verified in both Encrypt commands.

#include <unistd.h>

#include "codec/PassphraseCrypto.h"
#include "codec/StegoPayload.h"
#include "platform/bitmap/Bitmap.h"
#include "tests/app/AppTestFixture.h"

namespace {

class PassphraseWindow : public AppWindows {
protected:
    void OpenCarrier(const std::string& name) {
        bitmap::TBitmap bmp(96, 64, 24);
        for (auto& b : bmp.Bits()) b = 0x80;
        bmp.SaveToFile(PathOf(name));
        Script().OpenAnswers.push_back(QString::fromStdString(PathOf(name)));
        Run(&app::TForm1::actOpenBmpExecute);
    }
    ui::TMenuItem* Item(const char* name) { return dynamic_cast<ui::TMenuItem*>(form->FindComponent(name)); }
};

TEST_F(PassphraseWindow, TheMenuItemSitsUnderEncrypt) {
    auto* item = Item("EncryptPassphrase1");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Caption(), "Encrypt with passphrase...");
    auto* file = Item("File1");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->IndexOf(item), file->IndexOf(Item("Encrypt1")) + 1);

    // Without an image it answers as Encrypt does, before asking anything.
    item->QtAction()->trigger();
    ASSERT_EQ(Script().Boxes.size(), 1u);
    EXPECT_EQ(Script().Boxes[0].Text, "You must load a bitmap to encrypt the text");
    EXPECT_EQ(Status(), "Text Encryption Faild, No Image to Encrypt");
    EXPECT_TRUE(Script().SecretRequests.empty());
}

TEST_F(PassphraseWindow, EncryptAsksTwiceSavesAndDecryptAsksOnce) {
    OpenCarrier("carrier.bmp");
    form->mmo1->SetText("  meet at n\xF6on  ");
    Script().SecretAnswers = {QString::fromUtf8("p\u00e4ss w\u00f6rd"), QString::fromUtf8("p\u00e4ss w\u00f6rd")};
    Script().SaveAnswers.push_back(QString::fromStdString(PathOf("sealed.bmp")));
    Item("EncryptPassphrase1")->QtAction()->trigger();
    EXPECT_TRUE(Script().Boxes.empty());
    ASSERT_EQ(Script().SecretRequests.size(), 2u);
    EXPECT_EQ(Script().SecretRequests[0].Caption, "Passphrase");
    EXPECT_EQ(Script().SecretRequests[0].Prompt, "Enter the passphrase:");
    EXPECT_EQ(Script().SecretRequests[1].Prompt, "Enter the passphrase again:");
    EXPECT_EQ(Status(), "Your Text Was Encrypted into Image");

    // The file holds the encrypted text, which the tool's passphrase (UTF-8 bytes) opens.
    bitmap::TBitmap saved;
    saved.LoadFromFile(PathOf("sealed.bmp"));
    rtl::AnsiString hidden;
    ASSERT_TRUE(codec::DecryptText(saved, hidden));
    EXPECT_TRUE(codec::IsSealedText(hidden));
    EXPECT_EQ(hidden.find("meet"), rtl::AnsiString::npos);
    EXPECT_EQ(codec::OpenSealedText(hidden, "p\xC3\xA4ss w\xC3\xB6rd"), "meet at n\xF6on");
    // Hidden by LSB matching: carriers at 0x80 that needed a 1 went down as well as up.
    int down = 0, up = 0;
    for (int y = 0; y < saved.Height(); ++y)
        for (int x = 0; x < saved.Width(); ++x) {
            down += saved.ScanLine(y)[3 * x + 2] == 0x7F;
            up += saved.ScanLine(y)[3 * x + 2] == 0x81;
        }
    EXPECT_GT(down, 100);
    EXPECT_GT(up, 100);

    // Decrypt: cancelled prompt changes nothing; the right passphrase fills the memo.
    form->mmo1->SetText("unchanged");
    Run(&app::TForm1::actDecryptExecute);
    EXPECT_EQ(Script().SecretRequests.size(), 3u);
    EXPECT_EQ(form->mmo1->GetText(), "unchanged");
    EXPECT_EQ(Status(), "Your Text Was Encrypted into Image");

    Script().SecretAnswers = {QString::fromUtf8("wrong")};
    Run(&app::TForm1::actDecryptExecute);
    ASSERT_EQ(Script().Boxes.size(), 1u);
    EXPECT_EQ(Script().Boxes[0].Caption, "Veilmark 1.0");
    EXPECT_EQ(Script().Boxes[0].Text, "The passphrase is wrong.");
    EXPECT_EQ(form->mmo1->GetText(), "unchanged");

    Script().SecretAnswers = {QString::fromUtf8("p\u00e4ss w\u00f6rd")};
    Run(&app::TForm1::actDecryptExecute);
    EXPECT_EQ(form->mmo1->GetText(), "meet at n\xF6on");
    EXPECT_EQ(Status(), "Text Decryption Finished");
}

TEST_F(PassphraseWindow, DifferingEmptyOrCancelledPassphrasesHideNothing) {
    OpenCarrier("carrier.bmp");
    const std::vector<std::uint8_t> before(form->image2->Bitmap().Bits().begin(), form->image2->Bitmap().Bits().end());
    auto unchanged = [&] {
        const auto bits = form->image2->Bitmap().Bits();
        return std::equal(bits.begin(), bits.end(), before.begin(), before.end());
    };
    Script().SecretAnswers = {QString("one"), QString("two")};
    Run(&app::TForm1::actEncryptPassphraseExecute);
    ASSERT_EQ(Script().Boxes.size(), 1u);
    EXPECT_EQ(Script().Boxes[0].Text, "The two passphrases differ.");
    EXPECT_TRUE(unchanged());

    Script().SecretAnswers = {QString()};
    Run(&app::TForm1::actEncryptPassphraseExecute);
    ASSERT_EQ(Script().Boxes.size(), 2u);
    EXPECT_EQ(Script().Boxes[1].Text, "The passphrase is empty.");

    Script().SecretAnswers = {QString("one"), std::nullopt};
    Run(&app::TForm1::actEncryptPassphraseExecute);
    EXPECT_EQ(Script().Boxes.size(), 2u);
    EXPECT_TRUE(unchanged());
    EXPECT_TRUE(Script().SaveRequests.empty());
}

TEST_F(PassphraseWindow, PlainEncryptSavesAVerifiedFile) {
    OpenCarrier("carrier.bmp");
    form->mmo1->SetText("plain words");
    Script().SaveAnswers.push_back(QString::fromStdString(PathOf("plain.bmp")));
    Run(&app::TForm1::actAancryptandSaveExecute);
    EXPECT_TRUE(Script().Boxes.empty());
    bitmap::TBitmap saved;
    saved.LoadFromFile(PathOf("plain.bmp"));
    rtl::AnsiString text;
    ASSERT_TRUE(codec::DecryptText(saved, text));
    EXPECT_EQ(text, "plain words");
    // Decrypt of a plain text asks for nothing.
    Run(&app::TForm1::actDecryptExecute);
    EXPECT_TRUE(Script().SecretRequests.empty());
    EXPECT_EQ(form->mmo1->GetText(), "plain words");
    // Only the carrier and the saved file are in the folder: no temporary file is left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
}

}  // namespace
