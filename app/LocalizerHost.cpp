#include "app/LocalizerHost.h"

#include <QCoreApplication>
#include <QMetaObject>

#include "localizer/LocOnFly.h"
#include "platform/ui/Application.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/Text8.h"
#include "platform/ui/UpdateBatch.h"

namespace app {

void InstallLocalizerHost(localizer::TKLocalizerOnFly& localizer) {
    localizer.Host.MessageBox = [](const rtl::AnsiString& caption, const rtl::AnsiString& text) {
        // Owned by the main window once there is one; at start-up there is none.
        QWidget* owner = nullptr;
        if (ui::TApplication* application = ui::Application())
            if (ui::TForm* main = application->MainForm()) owner = main->Widget();
        ui::Interaction().MessageBox(owner, ui::TMsgDlgType::mtCustom, ui::DecodeInterface(caption),
                                     ui::DecodeInterface(text));
    };
    localizer.Host.ScaleForm = [](rtti::TCustomForm& form, int m, int d) {
        if (auto* window = dynamic_cast<ui::TForm*>(&form)) window->ScaleBy(m, d);
    };
    localizer.Host.ScreenFonts = [] {
        ui::TScreenFonts& fonts = ui::ScreenFonts();
        return std::vector<rtti::TFont*>{fonts.IconFont.get(), fonts.HintFont.get(), fonts.MenuFont.get()};
    };
    localizer.Host.BeginWindowUpdate = [] { ui::BeginUpdateBatch(); };
    localizer.Host.EndWindowUpdate = [] { ui::EndUpdateBatch(); };
    // After the current turn of the event loop: the switch shows first, its settings write
    // follows (the controller writes what is still waiting when it goes away).
    localizer.Host.PostWork = [](std::function<void()> work) {
        if (QCoreApplication* application = QCoreApplication::instance())
            QMetaObject::invokeMethod(application, std::move(work), Qt::QueuedConnection);
        else
            work();
    };
}

}  // namespace app
