#pragma once
// Both windows as the program creates them, with the modal interactions scripted.

#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/About.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "modres/LocUtils.h"
#include "tests/ui/GuiTestSupport.h"

class AppWindows : public ::testing::Test {
protected:
    void SetUp() override {
        guitest::QtApp();
        app::InstallPlatformHooks();
        locUtils_ = std::make_unique<modres::TKLocUtils>();
        scope_ = std::make_unique<guitest::TScriptScope>();
        application_ = std::make_unique<ui::TApplication>();
        application_->Initialize();
        application_->SetTitle("Veilmark 1.0");
        form = ui::CreateForm<app::TForm1>();
        about = ui::CreateForm<app::TAboutBox>();
        about->Hide();
        dir = std::filesystem::temp_directory_path() /
              ("vlmrk-app-test-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        application_.reset();
        scope_.reset();
        locUtils_.reset();
        std::filesystem::remove_all(dir);
    }

    guitest::TScript& Script() { return scope_->Script(); }
    // Runs a command's handler as the program does: through the dispatcher.
    void Run(void (app::TForm1::*handler)(rtl::TObject*)) {
        app::TForm1* target = form;
        ui::Dispatch([target, handler] { (target->*handler)(target); });
    }
    std::string Status() const { return form->stat1->SimpleText(); }
    std::string PathOf(const std::string& name) const { return (dir / name).string(); }

    app::TForm1* form = nullptr;
    app::TAboutBox* about = nullptr;
    std::filesystem::path dir;

private:
    std::unique_ptr<modres::TKLocUtils> locUtils_;
    std::unique_ptr<guitest::TScriptScope> scope_;
    std::unique_ptr<ui::TApplication> application_;
};
