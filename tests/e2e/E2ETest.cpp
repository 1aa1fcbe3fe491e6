// The program end to end with its windows (offscreen): the executable "lives" in a temporary
// folder (LocUtils.SetAppFileName), the settings store in another, and the start-up runs in the
// order of the main routine. Texts are compared with the language data the program carries, not
// with copies of it.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include <QAccessible>
#include <QTextDocument>
#include <QTextOption>

#include "platform/ui/ComCtrls.h"
#include "tests/e2e/ProgramFixture.h"

namespace {

using namespace e2e;

TEST_F(Program, FirstStart) {
    Start();
    EXPECT_EQ(LanguageCaptions(), (std::vector<std::string>{"English", "French", "Italian", "Spanish"}));
    EXPECT_EQ(Checked(), "English");
    EXPECT_EQ(Remembered(), "EXE");
    EXPECT_EQ(Status(), "Ready");
    EXPECT_TRUE(Script().Boxes.empty());
}

TEST_F(Program, SwitchToSpanishBackToEnglishAndRestart) {
    Start();
    const std::string englishLabel = form->lbl1->GetText();
    Choose("Spanish");
    ASSERT_TRUE(Script().Boxes.empty()) << Script().Boxes.front().Text.toStdString();
    ASSERT_TRUE(fs::exists(Beside("Vlmrk.ES")));
    EXPECT_EQ(winres::FindResourceModule(winres::AppInstance()), winres::LoadLibraryEx(Beside("Vlmrk.ES")));
    winres::FreeLibrary(winres::LoadLibraryEx(Beside("Vlmrk.ES")));
    EXPECT_EQ(Remembered(), "ES");
    EXPECT_EQ(Checked(), "Spanish");
    EXPECT_NE(form->lbl1->GetText(), englishLabel);
    CheckWindowsFollowStore();
    EXPECT_NE(Status(), "Ready");
    EXPECT_EQ(form->mmo1->Lines()->Text(), StoreText("Form1", "mmo1", "Lines.Strings"));
    // A message shown after the switch speaks Spanish.
    ui::Dispatch([this] { form->actAancryptandSaveExecute(form); });
    ASSERT_FALSE(Script().Boxes.empty());
    EXPECT_EQ(Script().Boxes.back().Text.toStdString().find("You must"), std::string::npos);
    // The hidden About box opens in Spanish.
    QString aboutCaption;
    Script().WhileModal = [&](QWidget* window) { aboutCaption = window->windowTitle(); };
    ui::Dispatch([this] { form->actAboutExecute(form); });
    EXPECT_EQ(about->sLabel1->GetText(), StoreText("AboutBox", "sLabel1", "Caption"));
    const auto built = fs::last_write_time(Beside("Vlmrk.ES"));

    Choose("English");
    EXPECT_EQ(winres::FindResourceModule(winres::AppInstance()), winres::AppInstance());
    EXPECT_EQ(Remembered(), "EXE");
    EXPECT_FALSE(fs::exists(Beside("Vlmrk.EN")));
    EXPECT_EQ(form->lbl1->GetText(), englishLabel);
    EXPECT_EQ(Status(), "Ready");

    Choose("Spanish");
    Restart();
    EXPECT_EQ(fs::last_write_time(Beside("Vlmrk.ES")), built);
    EXPECT_EQ(Checked(), "Spanish");
    CheckWindowsFollowStore();
    EXPECT_NE(form->lbl1->GetText(), englishLabel);
}

TEST_F(Program, DialogFiltersAndAccessibleNamesFollowASwitch) {
    Start();
    Script().OpenAnswers.push_back(std::nullopt);
    ui::Dispatch([this] { form->actOpenBmpExecute(form); });
    ASSERT_EQ(Script().OpenRequests.size(), 1u);
    EXPECT_EQ(Script().OpenRequests[0].Filter, "Bitmap Files (*.bmp)|*.bmp|All Files (*)|*");
    auto name = [](const ui::TWidgetLink* control) {
        return QAccessible::queryAccessibleInterface(control->Widget())->text(QAccessible::Name);
    };
    EXPECT_EQ(name(form->image3), "Encrypt");

    Choose("Spanish");
    Script().OpenAnswers.push_back(std::nullopt);
    ui::Dispatch([this] { form->actOpenBmpExecute(form); });
    ASSERT_EQ(Script().OpenRequests.size(), 2u);
    EXPECT_EQ(Script().OpenRequests[1].Filter,
              QString::fromUtf8("Archivos de mapa de bits (*.bmp)|*.bmp|Todos los archivos (*)|*"));
    EXPECT_EQ(name(form->image3), QString::fromUtf8("Cifrar"));
    EXPECT_EQ(name(form->image2), QString::fromUtf8("Haga clic para cargar una imagen de mapa de bits"));
    EXPECT_EQ(name(about->image3), QString::fromUtf8("Cerrar"));
    EXPECT_EQ(name(form->stat1).toStdString(), ui::DecodeInterface(Status()).toStdString());
}

TEST_F(Program, TextTheUserTypedSurvivesASwitch) {
    Start();
    form->mmo1->Lines()->SetText("my secret words\r\n");
    Choose("Spanish");
    EXPECT_EQ(form->mmo1->Lines()->Text(), "my secret words\r\n");
    EXPECT_EQ(form->lbl1->GetText(), StoreText("Form1", "lbl1", "Caption"));
    // Emptied, it takes the language's text again.
    form->mmo1->Lines()->Clear();
    Choose("English");
    EXPECT_EQ(form->mmo1->Lines()->Text(), "Enter your text here\r\n");
}

TEST_F(Program, ChangedBuildNumberRebuildsTheModule) {
    Start();
    Choose("Spanish");
    const auto firstBuild = fs::last_write_time(Beside("Vlmrk.ES"));
    // The pack's Spanish as a language file beside the executable, one build later.
    locstore::TLocStorage store;
    rtl::TMemoryStream native, spanish;
    ASSERT_TRUE(langdata::ReadLanguagePack(Pack(), 0, 0, &native));
    ASSERT_TRUE(langdata::ReadLanguagePack(Pack(), 10, 0, &spanish));
    native.SetPosition(0);
    langdata::TLangFile nativeFile;
    nativeFile.LoadFromStream(native, &store, 0, -1);
    spanish.SetPosition(0);
    langdata::TLangFile spanishFile;
    const int slot = store.AddLanguage(0, 10);
    spanishFile.LoadFromStream(spanish, &store, 0, slot);
    langdata::TLangFileHeader header = spanishFile.Header();
    header.Build += 1;
    auto bytes = langdata::MakeLanguageFile(header, store, slot);
    std::ofstream(Beside("Vlmrk.ES.lng"), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                                 static_cast<std::streamsize>(bytes.size()));
    fs::last_write_time(Beside("Vlmrk.ES"), firstBuild - std::chrono::hours(1));
    Restart();
    EXPECT_GT(fs::last_write_time(Beside("Vlmrk.ES")), firstBuild - std::chrono::hours(1));
    EXPECT_EQ(utils_->CurrentLibInfo().Build, header.Build);
    EXPECT_EQ(Checked(), "Spanish");
}

TEST_F(Program, StaleModuleThatCannotBeDeleted) {
    Start();
    // As root no permission bit keeps a file from being deleted; a non-empty folder in the
    // module's place cannot be deleted by anyone.
    fs::create_directories(Beside("Vlmrk.ES/keep"));
    Choose("Spanish");
    ASSERT_EQ(Script().Boxes.size(), 1u);
    EXPECT_EQ(Script().Boxes[0].Caption, "Localizer Error");
    EXPECT_EQ(Script().Boxes[0].Text.toStdString(), "Can not delete file \"" + Beside("Vlmrk.ES") + "\"");
    EXPECT_EQ(Remembered(), "EXE");
    EXPECT_EQ(Checked(), "English");  // the mark stays with the language in force
    EXPECT_EQ(Status(), "Ready");
}

TEST_F(Program, RememberedCodeWithoutLanguageAndUnreadableFiles) {
    {
        registry::TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(winres::kLocalesKey, true));
        reg.WriteString(Exe(), "DE");
    }
    std::ofstream(Beside("Vlmrk.XX.lng")) << "";
    Start();
    ASSERT_EQ(Script().Boxes.size(), 1u);
    EXPECT_EQ(Script().Boxes[0].Caption, "Localizer Error");
    EXPECT_EQ(Script().Boxes[0].Text, "Language \"German\" is not found");
    EXPECT_EQ(LanguageCaptions().size(), 4u);
    EXPECT_EQ(Checked(), "English");
}

TEST_F(Program, ClickingTheCheckedLanguageDoesNothing) {
    Start();
    {
        registry::TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(winres::kLocalesKey, false));
        reg.DeleteValue(Exe());
    }
    Choose("English");
    EXPECT_EQ(Remembered(), "<none>");
    EXPECT_TRUE(Script().Boxes.empty());
    EXPECT_EQ(fs::directory_iterator(dir_ / "bin"), fs::directory_iterator());
}

TEST_F(Program, GermanFileWorksLikeAShippedLanguage) {
    if (!CopyExample("DE")) GTEST_SKIP() << "example language DE not built";
    Start();
    EXPECT_EQ(LanguageCaptions(), (std::vector<std::string>{"English", "French", "German", "Italian", "Spanish"}));
    Choose("German");
    ASSERT_TRUE(Script().Boxes.empty()) << Script().Boxes.front().Text.toStdString();
    EXPECT_EQ(Remembered(), "DE");
    EXPECT_EQ(Checked(), "German");
    CheckWindowsFollowStore();
    EXPECT_NE(Status(), "Ready");
    Restart();
    EXPECT_EQ(Checked(), "German");
    CheckWindowsFollowStore();
}

// Every text of the native language has its translation in each example language.
TEST_F(Program, ExampleLanguagesAreComplete) {
    for (const char* code : {"DE", "RU", "HE"}) {
        const fs::path missing = fs::path(VLMRK_EXTRA_LANG_DIR) / (std::string(code) + ".missing");
        if (!fs::exists(missing)) GTEST_SKIP() << "example languages not built";
        std::ifstream in(missing);
        std::string untranslated((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(untranslated, "") << code;
    }
}

TEST_F(Program, RussianShowsCyrillicWithCharsetsSwitched) {
    if (!CopyExample("RU")) GTEST_SKIP() << "example language RU not built";
    Start();
    Choose("Russian");
    ASSERT_TRUE(Script().Boxes.empty()) << Script().Boxes.front().Text.toStdString();
    CheckWindowsFollowStore();
    EXPECT_TRUE(HasCyrillic(form->lbl1->ShownText())) << form->lbl1->ShownText().toStdString();
    EXPECT_TRUE(HasCyrillic(form->stat1->ShownText()));
    EXPECT_TRUE(HasCyrillic(form->mmo1->Editor()->toPlainText())) << form->mmo1->Editor()->toPlainText().toStdString();
    EXPECT_EQ(ui::ScreenFonts().HintFont->Charset(), 204);
    EXPECT_EQ(ui::ScreenFonts().MenuFont->Charset(), 204);
    ui::Dispatch([this] { form->actDecryptExecute(form); });
    ASSERT_FALSE(Script().Boxes.empty());
    EXPECT_TRUE(HasCyrillic(Script().Boxes.back().Text)) << Script().Boxes.back().Text.toStdString();
    // Started in Russian, the windows come from the Russian module.
    Restart();
    EXPECT_EQ(Checked(), "Russian");
    EXPECT_TRUE(HasCyrillic(form->lbl1->ShownText())) << form->lbl1->ShownText().toStdString();
    EXPECT_TRUE(HasCyrillic(form->mmo1->Editor()->toPlainText())) << form->mmo1->Editor()->toPlainText().toStdString();
    EXPECT_TRUE(HasCyrillic(form->stat1->ShownText()));
    Choose("English");
    EXPECT_EQ(ui::ScreenFonts().MenuFont->Charset(), 0);
    EXPECT_EQ(form->mmo1->Editor()->toPlainText(), "Enter your text here");
}

TEST_F(Program, HebrewFlipsTheReadingOrderAndBack) {
    if (!CopyExample("HE")) GTEST_SKIP() << "example language HE not built";
    Start();
    Choose("Hebrew");
    ASSERT_TRUE(Script().Boxes.empty()) << Script().Boxes.front().Text.toStdString();
    EXPECT_EQ(form->BiDiMode(), rtti::TBiDiMode::bdRightToLeft);
    EXPECT_EQ(about->BiDiMode(), rtti::TBiDiMode::bdRightToLeft);
    EXPECT_EQ(form->Widget()->layoutDirection(), Qt::RightToLeft);
    EXPECT_TRUE(HasHebrew(form->lbl1->ShownText()));
    // Texts start at the right edge, as the platform's right-to-left controls show them.
    const auto memoAlignment = [this] { return form->mmo1->Editor()->document()->defaultTextOption().alignment(); };
    EXPECT_TRUE(memoAlignment() & Qt::AlignRight);
    EXPECT_TRUE(form->stat1->ShownAlignment() & Qt::AlignRight);
    EXPECT_TRUE(about->Copyright->ShownAlignment() & Qt::AlignHCenter);
    Choose("English");
    EXPECT_TRUE(memoAlignment() & Qt::AlignLeft);
    EXPECT_TRUE(form->stat1->ShownAlignment() & Qt::AlignLeft);
    EXPECT_EQ(form->BiDiMode(), rtti::TBiDiMode::bdLeftToRight);
    EXPECT_EQ(form->Widget()->layoutDirection(), Qt::LeftToRight);
}

// A language file whose header reads but whose body is damaged: the switch fails with a box that
// names the file, leaves the store, the installed module and the remembered choice as they were,
// and a second try fails the same way instead of installing a module of empty texts.
TEST_F(Program, DamagedLanguageFileNeverLocksTheUserOut) {
    if (!CopyExample("DE")) GTEST_SKIP() << "example language DE not built";
    std::string bytes;
    {
        std::ifstream in(Beside("Vlmrk.DE.lng"), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ASSERT_GT(bytes.size(), 400u);
    bytes.resize(bytes.size() / 2);  // the header stays whole, the body is cut
    std::ofstream(Beside("Vlmrk.DE.lng"), std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Start();
    ASSERT_EQ(Checked(), "English");
    const int languages = loc_->Store->LanguageCount();
    for (int attempt = 0; attempt < 2; ++attempt) {
        Choose("German");
        ASSERT_EQ(Script().Boxes.size(), static_cast<std::size_t>(attempt + 1));
        EXPECT_EQ(Script().Boxes.back().Caption, "Localizer Error");
        EXPECT_NE(Script().Boxes.back().Text.toStdString().find(Beside("Vlmrk.DE.lng")), std::string::npos)
            << Script().Boxes.back().Text.toStdString();
        EXPECT_EQ(loc_->Store->LanguageCount(), languages) << "a failed load leaves no slot behind";
        EXPECT_EQ(Checked(), "English");
        EXPECT_EQ(Remembered(), "EXE");
        EXPECT_EQ(winres::FindResourceModule(winres::AppInstance()), winres::AppInstance());
        EXPECT_EQ(form->lbl1->GetText(), "Encrypt");
    }
    EXPECT_FALSE(fs::exists(Beside("Vlmrk.DE")));
    Restart();
    EXPECT_EQ(Script().Boxes.size(), 2u);
    EXPECT_EQ(LanguageCaptions().size(), 5u);
    EXPECT_EQ(Checked(), "English");
}

// A start whose remembered language cannot be loaded (its file damaged after it was chosen) comes
// up in the program's own resources with one box and forgets the choice, so the next start is
// clean.
TEST_F(Program, RememberedLanguageThatNoLongerLoadsIsForgotten) {
    if (!CopyExample("DE")) GTEST_SKIP() << "example language DE not built";
    Start();
    Choose("German");
    ASSERT_EQ(Remembered(), "DE");
    Stop();
    // A new build of the file, damaged: the module no longer matches, so the start must read it.
    std::string bytes;
    {
        std::ifstream in(Beside("Vlmrk.DE.lng"), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bytes.resize(bytes.size() / 2);
    std::ofstream(Beside("Vlmrk.DE.lng"), std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    fs::remove(Beside("Vlmrk.DE"));
    Start();
    ASSERT_EQ(Script().Boxes.size(), 1u);
    EXPECT_NE(Script().Boxes[0].Text.toStdString().find("Vlmrk.DE.lng"), std::string::npos) << Script().Boxes[0].Text.toStdString();
    EXPECT_EQ(Checked(), "English");
    EXPECT_EQ(form->lbl1->GetText(), "Encrypt");
    EXPECT_EQ(winres::FindResourceModule(winres::AppInstance()), winres::AppInstance());
    EXPECT_EQ(Remembered(), "<none>");
    Restart();
    EXPECT_EQ(Script().Boxes.size(), 1u) << "the next start is clean";
    EXPECT_EQ(Checked(), "English");
}

// A module left over from an older build whose forms do not fit the program (its records carry no
// fingerprint): the start does not use it, comes up in its own resources and says so once.
TEST_F(Program, ModuleWhoseWindowsCannotBeBuiltIsNotUsed) {
    Start();
    Choose("Spanish");
    ASSERT_TRUE(Script().Boxes.empty());
    Stop();
    // The Spanish module with windows that name a component class the program lacks.
    {
        rtl::TMemoryStream module;
        module.LoadFromFile(Beside("Vlmrk.ES"));
        std::string image(reinterpret_cast<const char*>(module.Bytes().data()), module.Bytes().size());
        const std::string from = "TImage", to = "TImagX";
        std::size_t at = image.find(from);
        ASSERT_NE(at, std::string::npos);
        for (; at != std::string::npos; at = image.find(from, at + 1)) image.replace(at, from.size(), to);
        std::ofstream(Beside("Vlmrk.ES"), std::ios::binary | std::ios::trunc).write(image.data(), static_cast<std::streamsize>(image.size()));
    }
    Start();
    ASSERT_EQ(Script().Boxes.size(), 1u);
    EXPECT_NE(Script().Boxes[0].Text.toStdString().find(Beside("Vlmrk.ES")), std::string::npos) << Script().Boxes[0].Text.toStdString();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->lbl1->GetText(), "Encrypt");
    EXPECT_EQ(Checked(), "English");
    EXPECT_EQ(winres::FindResourceModule(winres::AppInstance()), winres::AppInstance());
    EXPECT_FALSE(fs::exists(Beside("Vlmrk.ES")));
    Restart();
    EXPECT_EQ(Script().Boxes.size(), 1u) << "said once";
    // Chosen again, the module is built afresh and works, now and after a restart.
    Choose("Spanish");
    Restart();
    EXPECT_EQ(Script().Boxes.size(), 1u);
    EXPECT_EQ(Checked(), "Spanish");
    CheckWindowsFollowStore();
}

// Pictures for people to look at: run with VLMRK_SCREENSHOT_DIR set (under xvfb-run with
// QT_QPA_PLATFORM=xcb for the real look); skipped otherwise.
TEST_F(Program, Screenshots) {
    const char* out = std::getenv("VLMRK_SCREENSHOT_DIR");
    if (!out) GTEST_SKIP() << "VLMRK_SCREENSHOT_DIR not set";
    if (!CopyExample("RU") || !CopyExample("HE") || !CopyExample("DE")) GTEST_SKIP() << "example languages not built";
    Start();
    const QString folder = QString::fromLocal8Bit(out);
    form->SetBounds(0, 0, 760, 560);
    form->Show();
    const char* prefix = std::getenv("VLMRK_SCREENSHOT_PREFIX");
    const QString name = QString::fromLocal8Bit(prefix ? prefix : "");
    for (const char* language : {"Spanish", "Russian", "Hebrew", "German", "French", "Italian", "English"}) {
        Choose(language);
        Settle();
        form->mmo1->SetUserText(u"typed text \u00e9\u00fc \u20ac");
        form->Widget()->grab().save(folder + "/" + name + "main-" + language + ".png");
        Script().WhileModal = [&](QWidget* window) {
            Settle();
            window->grab().save(folder + "/" + name + "about-" + language + ".png");
        };
        ui::Dispatch([this] { form->actAboutExecute(form); });
    }
}

}  // namespace
