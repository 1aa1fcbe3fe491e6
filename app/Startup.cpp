#include "app/Startup.h"

#include <memory>

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QTimer>

#include "app/About.h"
#include "codec/PrjConst.h"
#include "app/frmMain.h"
#include "localizer/LocOnFly.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Format.h"
#include "platform/ui/Dialogs.h"
#include "modres/LocUtils.h"
#include "platform/rtl/Conversions.h"
#include "platform/winres/WinRes.h"

namespace app {

void InstallPlatformHooks() {
    ui::SetCodePages(ui::TCodePages{
        [] { return winres::SystemCodePage(); },
        [] { return winres::InterfaceCodePage(); },
        [](const rtl::AnsiString& text, int codePage) { return winres::AnsiToWide(text, codePage); },
        [](const rtl::WideString& text, int codePage) { return winres::WideToAnsi(text, codePage); },
    });
    // Wide strings in form streams reach 8-bit properties through the interface code page.
    rtti::SetStringConverters(
        [](const rtl::WideString& text, const rtti::TPersistent*) { return winres::WideToAnsi(text, winres::InterfaceCodePage()); },
        [](const rtl::AnsiString& text, const rtti::TPersistent*) { return winres::AnsiToWide(text, winres::InterfaceCodePage()); });
    // A form's resource is the RCDATA item named after its class, in upper case ("TFORM1"), of
    // the module the program's resources are read from.
    ui::SetFormResourceLookup([](const rtl::AnsiString& className) -> std::optional<std::vector<std::uint8_t>> {
        const winres::HMODULE module = winres::FindResourceModule(winres::AppInstance());
        const auto bytes = winres::ResourceBytes(module, rtl::UpperCase(className), winres::RT_RCDATA);
        if (bytes.empty()) return std::nullopt;
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    });
}

namespace {

TWindows BuildWindows() {
    TWindows windows;
    windows.Main = ui::CreateForm<TForm1>();
    windows.About = ui::CreateForm<TAboutBox>();
    windows.About->Hide();
    return windows;
}

}  // namespace

TWindows CreateWindows() {
    const winres::HMODULE installed = winres::FindResourceModule(winres::AppInstance());
    if (installed == winres::AppInstance()) return BuildWindows();
    try {
        return BuildWindows();
    } catch (const rtl::Exception&) {
        ui::Application()->FreeForms();
        const rtl::AnsiString moduleFile = winres::GetModuleFileName(installed);
        if (localizer::LocalizerExists()) {
            localizer::Localizer().UseProgramResources();
            localizer::Localizer().ForgetLanguageChoice();
        } else {
            modres::LocUtils().RestoreAllModules();
        }
        rtl::DeleteFile(moduleFile);
        ui::MessageDlg(rtl::Format(rtl::LoadResString(codec::SModuleDoesNotFit), {moduleFile}), ui::TMsgDlgType::mtError);
        return BuildWindows();
    }
}

int RunProgram(const rtl::AnsiString& fileName) {
    ui::TApplication application;
    application.Initialize();
    application.SetMainFormOnTaskBar(true);
    application.SetTitle("Veilmark 1.0");
    try {
        TForm1* mainForm = CreateWindows().Main;
        // The window icon is the Encrypt icon, as the desktop entry's.
        QApplication::setWindowIcon(QIcon(QPixmap::fromImage(mainForm->image3->Shown())));
        if (!fileName.empty())
            QTimer::singleShot(0, [mainForm, fileName] { ui::Dispatch([&] { mainForm->OpenBitmapFile(fileName); }); });
    } catch (const rtl::Exception& error) {
        application.ShowException(error);
        return 1;
    }
    return application.Run();
}

}  // namespace app
