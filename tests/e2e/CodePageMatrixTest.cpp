// No character the user typed is lost, on any system and in any interface language: on systems
// of five code pages, text typed in the memo (letters of that system's code page) survives a live
// switch into each of the seven languages, and hides, saves, reopens and reveals as the same text.
// A text the system code page cannot hold is refused before any file is written.

#include <cstdlib>
#include <filesystem>
#include <optional>

#include <QPlainTextEdit>
#include <QTextCursor>

#include <gtest/gtest.h>

#include "codec/HiddenText.h"
#include "codec/StegoPayload.h"
#include "platform/rtl/Utf8.h"
#include "platform/nls/Nls.h"
#include "tests/e2e/ProgramFixture.h"

namespace {

using namespace e2e;

struct TSystem {
    const char* Locale;
    int CodePage;
    const char* Typed;       // letters of that code page, as the user types them (UTF-8)
    const char* Foreign;     // a text the code page cannot hold
};

const TSystem kSystems[] = {
    {"en_US.UTF-8", 1252, "Gr\u00fc\u00dfe \u00fcber caf\u00e9\n\u00bfQu\u00e9 tal?", "\u041f\u0440\u0438\u0432\u0435\u0442"},
    {"de_DE.UTF-8", 1252, "\u00c4pfel, \u00d6l und \u00dcberma\u00df \u20ac", "\u05e9\u05dc\u05d5\u05dd"},
    {"ru_RU.UTF-8", 1251, "\u041f\u0440\u0438\u0432\u0435\u0442, \u043c\u0438\u0440\n\u0451\u0436 \u2116 5", "Gr\u00fc\u00dfe"},
    {"he_IL.UTF-8", 1255, "\u05e9\u05dc\u05d5\u05dd \u05e2\u05d5\u05dc\u05dd \u20aa", "\u041c\u0438\u0440"},
    {"ja_JP.UTF-8", 932, "\u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8\n\uff21\uff22", "\u05e9\u05dc\u05d5\u05dd"},
};

const char* const kLanguages[] = {"Spanish", "French", "Italian", "German", "Russian", "Hebrew", "English"};

class CodePageMatrix : public Program, public ::testing::WithParamInterface<TSystem> {
protected:
    void SetUp() override {
        const char* lang = std::getenv("LANG");
        savedLang_ = lang ? std::optional<std::string>(lang) : std::nullopt;
        const char* all = std::getenv("LC_ALL");
        savedAll_ = all ? std::optional<std::string>(all) : std::nullopt;
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_CTYPE");
        ::setenv("LANG", GetParam().Locale, 1);
        nls::ResetUserLocaleForTests();
        Program::SetUp();
        if (IsSkipped()) return;
        for (const char* code : {"DE", "RU", "HE"})
            if (!CopyExample(code)) GTEST_SKIP() << "example languages not built";
    }
    void TearDown() override {
        Program::TearDown();
        if (savedLang_) ::setenv("LANG", savedLang_->c_str(), 1);
        else ::unsetenv("LANG");
        if (savedAll_) ::setenv("LC_ALL", savedAll_->c_str(), 1);
        nls::ResetUserLocaleForTests();
    }

    // Typed at the end of the memo, as the keyboard would.
    void Type(const QString& text) {
        QTextCursor cursor = form->mmo1->Editor()->textCursor();
        cursor.movePosition(QTextCursor::End);
        form->mmo1->Editor()->setTextCursor(cursor);
        form->mmo1->Editor()->insertPlainText(text);
    }
    QString Shown() const { return form->mmo1->Editor()->toPlainText(); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Encrypt, saved under the name; answers whether the command got as far as the save dialog.
    bool EncryptAndSave(const std::string& name) {
        const std::size_t asked = Script().SaveRequests.size();
        Script().SaveAnswers.push_back(QString::fromStdString(Path(name)));
        ui::Dispatch([this] { form->actAancryptandSaveExecute(form); });
        const bool saved = Script().SaveRequests.size() > asked;
        if (!saved) Script().SaveAnswers.clear();
        return saved;
    }
    void Open(const std::string& name) {
        Script().OpenAnswers.push_back(QString::fromStdString(Path(name)));
        ui::Dispatch([this] { form->actOpenBmpExecute(form); });
    }

private:
    std::optional<std::string> savedLang_, savedAll_;
};

TEST_P(CodePageMatrix, TypedTextSurvivesEverySwitchAndHidesExactly) {
    const TSystem& system = GetParam();
    ASSERT_EQ(nls::GetACP(), system.CodePage);
    bitmap::TBitmap(160, 120, 24).SaveToFile(Path("cover.bmp"));
    Start();
    Open("cover.bmp");
    ASSERT_TRUE(Script().Boxes.empty()) << Script().Boxes.front().Text.toStdString();

    form->mmo1->Lines()->Clear();
    const QString typed = QString::fromUtf8(system.Typed);
    Type(typed);
    ASSERT_EQ(Shown(), typed) << "the memo refused letters of the system code page";

    for (const char* language : kLanguages) {
        SCOPED_TRACE(std::string(system.Locale) + ", interface in " + language);
        Choose(language);
        ASSERT_TRUE(Script().Boxes.empty()) << Script().Boxes.front().Text.toStdString();
        ASSERT_EQ(Checked(), language);
        EXPECT_EQ(Shown(), typed);

        const std::string saved = std::string("hidden-") + language + ".bmp";
        ASSERT_TRUE(EncryptAndSave(saved));
        ASSERT_TRUE(Script().Boxes.empty()) << Script().Boxes.front().Text.toStdString();
        ui::Dispatch([this] { form->actClearAllExecute(form); });
        Open(saved);
        ui::Dispatch([this] { form->actDecryptExecute(form); });
        ASSERT_TRUE(Script().Boxes.empty()) << Script().Boxes.front().Text.toStdString();
        EXPECT_EQ(Shown(), typed);
        // The bytes in the file are the system code page's, lines ending in CR LF.
        bitmap::TBitmap image;
        image.LoadFromFile(Path(saved));
        rtl::AnsiString hidden;
        ASSERT_TRUE(codec::DecryptText(image, hidden));
        EXPECT_EQ(QString::fromStdU16String(codec::ShownTextOf(hidden, system.CodePage)),
                  QString(typed).replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    }

    // A text the system code page cannot hold (as a translated prompt can bring) is refused:
    // an error box, no save dialog, no file, the picture unchanged.
    const bitmap::TBitmap before = form->image2->Bitmap();
    form->mmo1->SetUserText(rtl::Utf8ToUtf16(system.Foreign));
    EXPECT_FALSE(EncryptAndSave("foreign.bmp"));
    ASSERT_EQ(Script().Boxes.size(), 1u);
    EXPECT_NE(Script().Boxes[0].Text.indexOf(QString::number(system.CodePage)), -1) << Script().Boxes[0].Text.toStdString();
    EXPECT_FALSE(fs::exists(Path("foreign.bmp")));
    const bitmap::TBitmap& after = form->image2->Bitmap();
    EXPECT_TRUE(std::equal(before.Bits().begin(), before.Bits().end(), after.Bits().begin(), after.Bits().end()));
}

INSTANTIATE_TEST_SUITE_P(Systems, CodePageMatrix, ::testing::ValuesIn(kSystems),
                         [](const ::testing::TestParamInfo<TSystem>& info) {
                             std::string name = info.param.Locale;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
