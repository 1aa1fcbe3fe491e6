#pragma once
// The program end to end with its windows (offscreen), shared by the end-to-end tests: the
// executable "lives" in a temporary folder (LocUtils.SetAppFileName), the settings store in
// another, and the start-up runs in the order of the main routine.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QWidget>

#include <gtest/gtest.h>

#include "app/About.h"
#include "app/LocalizerHost.h"
#include "codec/PrjConst.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "langdata/LangFileWriter.h"
#include "langdata/LangPack.h"
#include "langdata/LocLangFile.h"
#include "localizer/LocOnFly.h"
#include "modres/LocUtils.h"
#include "modres/ModuleSettings.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/Text8.h"
#include "platform/winres/StartupChoice.h"
#include "platform/winres/WinRes.h"
#include "tests/ui/GuiTestSupport.h"

namespace e2e {

namespace fs = std::filesystem;

inline void Settle() {
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
}

inline bool HasCyrillic(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF) return true;
    return false;
}
inline bool HasHebrew(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x0590 && c.unicode() <= 0x05FF) return true;
    return false;
}

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::QtApp();
        app::InstallPlatformHooks();
        if (langdata::ReadLangPackLayout(Pack()).Blocks.size() < 4) GTEST_SKIP() << "the program image has no full pack";
        const char* cache = std::getenv("XDG_CACHE_HOME");
        dir_ = fs::path(cache ? cache : "/tmp") / "e2e" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "bin");
        const char* config = std::getenv("XDG_CONFIG_HOME");
        savedConfig_ = config ? std::optional<std::string>(config) : std::nullopt;
        ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        scope_ = std::make_unique<guitest::TScriptScope>();
    }
    void TearDown() override {
        Stop();
        scope_.reset();
        winres::SetAppFileName("");
        if (savedConfig_) ::setenv("XDG_CONFIG_HOME", savedConfig_->c_str(), 1);
        else ::unsetenv("XDG_CONFIG_HOME");
    }

    static std::span<const std::uint8_t> Pack() {
        return winres::ResourceBytes(winres::AppInstance(), modres::kLangPackName, winres::RT_RCDATA);
    }

    // As the main routine does it.
    void Start() {
        winres::ResetModulesForTests();
        utils_ = std::make_unique<modres::TKLocUtils>();
        utils_->SetAppFileName(Exe());
        loc_ = std::make_unique<localizer::TKLocalizerOnFly>();
        utils_->IgnoreCheckErrors = false;
        app::InstallLocalizerHost(*loc_);
        loc_->Initialize("", "");
        application_ = std::make_unique<ui::TApplication>();
        application_->Initialize();
        application_->SetTitle("Veilmark 1.0");
        const app::TWindows windows = app::CreateWindows();
        form = windows.Main;
        about = windows.About;
        // Shown as the message loop would show it: its fonts are realised from now on.
        form->Show();
        Settle();
    }
    void Stop() {
        application_.reset();
        form = nullptr;
        about = nullptr;
        loc_.reset();
        utils_.reset();
        winres::ResetModulesForTests();
    }
    void Restart() {
        Stop();
        Start();
    }

    std::string Exe() const { return (dir_ / "bin" / "Vlmrk").string(); }
    std::string Beside(const std::string& name) const { return (dir_ / "bin" / name).string(); }
    guitest::TScript& Script() { return scope_->Script(); }

    std::vector<ui::TMenuItem*> LanguageItems() const {
        std::vector<ui::TMenuItem*> items;
        for (int i = 0; i < form->Language1->Count(); ++i) items.push_back(form->Language1->Items(i));
        return items;
    }
    std::vector<std::string> LanguageCaptions() const {
        std::vector<std::string> captions;
        for (auto* item : LanguageItems()) captions.push_back(item->Caption());
        return captions;
    }
    std::string Checked() const {
        for (auto* item : LanguageItems())
            if (item->Checked()) return item->Caption();
        return "";
    }
    void Choose(const std::string& language) {
        for (auto* item : LanguageItems())
            if (item->Caption() == language) {
                ui::Dispatch([item] { item->Click(); });
                Settle();
                return;
            }
        ADD_FAILURE() << "no menu item " << language;
    }
    std::string Remembered() const {
        registry::TRegistry reg;
        if (!reg.OpenKey(winres::kLocalesKey, false)) return "<none>";
        auto value = reg.TryReadString(Exe());
        return value ? *value : "<none>";
    }
    // The 8-bit text the store holds for a property in the language shown now.
    std::string StoreText(const std::string& formName, const std::string& component, const std::string& property) {
        auto& forms = loc_->Store->Forms();
        int index = forms.IndexOf(formName);
        if (index < 0) return "<no form>";
        locstore::TLocComponent* owner = forms.ItemAt(index)->FindComponent(component);
        if (!owner) return "<no component>";
        locstore::TLocProperty* prop = owner->Properties().Find(property);
        if (!prop) return "<no property>";
        return prop->ActiveValue()->AsAnsi();
    }
    std::string Status() const { return form->stat1->SimpleText(); }
    // The example language compiled by the build, beside the executable.
    bool CopyExample(const std::string& code) {
        const std::string from = std::string(VLMRK_EXTRA_LANG_DIR) + "/Vlmrk." + code + ".lng";
        if (!fs::exists(from)) return false;
        fs::copy_file(from, Beside("Vlmrk." + code + ".lng"), fs::copy_options::overwrite_existing);
        return true;
    }
    void CheckWindowsFollowStore() {
        EXPECT_EQ(form->lbl1->GetText(), StoreText("Form1", "lbl1", "Caption"));
        EXPECT_EQ(form->image3->Hint(), StoreText("Form1", "image3", "Hint"));
        EXPECT_EQ(form->pnl3->GetText(), StoreText("Form1", "pnl3", "Caption"));
        EXPECT_EQ(about->sLabel1->GetText(), StoreText("AboutBox", "sLabel1", "Caption"));
        EXPECT_EQ(Status(), rtl::LoadResString(codec::SReady));
        for (const char* name : {"File1", "Edit1", "Language1", "Help1", "Open1", "About1"}) {
            auto* item = dynamic_cast<ui::TMenuItem*>(form->FindComponent(name));
            ASSERT_NE(item, nullptr) << name;
            EXPECT_EQ(item->Caption(), StoreText("Form1", name, "Caption")) << name;
        }
    }

    app::TForm1* form = nullptr;
    app::TAboutBox* about = nullptr;
    fs::path dir_;
    std::optional<std::string> savedConfig_;
    std::unique_ptr<guitest::TScriptScope> scope_;
    std::unique_ptr<modres::TKLocUtils> utils_;
    std::unique_ptr<localizer::TKLocalizerOnFly> loc_;
    std::unique_ptr<ui::TApplication> application_;
};

}  // namespace e2e
