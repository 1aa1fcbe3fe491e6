// A language switch of the program's two windows, beside the same switch done the Qt way.
//
//   FirstSwitch      Spanish with no module on disk and nothing decoded yet: store load, module
//                    build, install, the windows translated. The module's flush to the disk
//                    comes in the event loop's turn after the switch, outside the timing.
//   FirstSwitchRepainted  the same and the event loop's turn that follows it: the module's
//                    flush and the repaints (the choice written outside the timing). The figure
//                    to set beside QtTranslatorRepainted.
//   ExistingModule   Spanish again with its module on disk: reuse, install, translate (the
//                    choice is written after the switch's turn of the event loop, outside the
//                    timing).
//   ExistingModuleRepainted  the same switch and the repaints that follow it, the choice written
//                    outside the timing (QtTranslator writes no settings).
//   ExistingModuleSettled  the same switch and then the event loop's turn that follows it (the
//                    settings write, repaints), timed together as QtTranslator is.
//   QtTranslator     a widget tree like the main window and the About box (menus, icon labels
//                    with tool tips, work-area caption, memo, status bar, About texts): a
//                    QTranslator holding the same Spanish texts is made, installed, and every
//                    text set again through tr() on the LanguageChange it sends. Its main
//                    window has the program's main window's size.
//   QtTranslatorRepainted  the same and the turn of the event loop that repaints what changed:
//                    the figure to set beside ExistingModuleRepainted.
//
// Run offscreen: QT_QPA_PLATFORM=offscreen ./bench_switch. Everything lives in a temporary
// folder (executable path, settings store, modules).

#include <filesystem>
#include <memory>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTranslator>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include "app/About.h"
#include "app/LocalizerHost.h"
#include "app/Startup.h"
#include "app/frmMain.h"
#include "localizer/LocOnFly.h"
#include "modres/LocUtils.h"
#include "platform/ui/Forms.h"
#include "platform/winres/WinRes.h"

namespace {

namespace fs = std::filesystem;

// The Qt application and the program are torn down by main, in this order, before the process
// exits: left to the exit handlers, the windows' native surfaces were destroyed after Qt's
// thread storage had gone, and the process died by SIGSEGV after its report.
std::unique_ptr<QApplication>& QtAppSlot() {
    static std::unique_ptr<QApplication> app;
    return app;
}

QApplication& QtApp() {
    static int argc = 1;
    static char name[] = "bench_switch";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QApplication>& app = QtAppSlot();
    if (!app) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    }
    return *app;
}

// The program as its main routine starts it, once per process.
struct TProgram {
    fs::path dir;
    std::unique_ptr<modres::TKLocUtils> utils;
    std::unique_ptr<localizer::TKLocalizerOnFly> loc;
    std::unique_ptr<ui::TApplication> application;
    app::TForm1* mainForm = nullptr;
    QSize mainSize;

    TProgram() {
        QtApp();
        dir = fs::temp_directory_path() / ("vlmrk-bench-switch-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
        app::InstallPlatformHooks();
        utils = std::make_unique<modres::TKLocUtils>();
        utils->SetAppFileName((dir / "Vlmrk").string());
        loc = std::make_unique<localizer::TKLocalizerOnFly>();
        utils->IgnoreCheckErrors = false;
        app::InstallLocalizerHost(*loc);
        loc->Initialize("", "");
        application = std::make_unique<ui::TApplication>();
        application->Initialize();
        application->SetTitle("Veilmark 1.0");
        mainForm = ui::CreateForm<app::TForm1>();
        mainForm->Show();
        mainSize = QSize(mainForm->Width(), mainForm->Height());
        ui::CreateForm<app::TAboutBox>()->Hide();
        QApplication::processEvents();
    }
    ~TProgram() {
        application.reset();
        loc.reset();
        utils.reset();
        fs::remove_all(dir);
    }
    std::string Module() const { return (dir / "Vlmrk.ES").string(); }
};

std::unique_ptr<TProgram>& ProgramSlot() {
    static std::unique_ptr<TProgram> program;
    return program;
}

TProgram& Program() {
    std::unique_ptr<TProgram>& program = ProgramSlot();
    if (!program) program = std::make_unique<TProgram>();
    return *program;
}

// A first switch, and with repainted the event loop's turn after it with the settings write
// outside the timing (as ExistingModuleRepainted).
void FirstSwitchTimed(benchmark::State& state, bool repainted) {
    TProgram& p = Program();
    for (auto _ : state) {
        state.PauseTiming();
        p.loc->SwitchToLanguage(9);
        fs::remove(p.Module());
        // A first switch also loads the language into the store, decoding it from the pack.
        p.loc->Store = std::make_unique<locstore::TLocStorage>();
        p.loc->LoadNativeLanguage();
        p.loc->StoreLanguageIndex = 0;
        p.loc->ForgetDecodedPackLanguages();
        QApplication::processEvents();
        state.ResumeTiming();
        p.loc->SwitchToLanguage(10);
        if (!repainted) continue;
        state.PauseTiming();
        p.loc->FlushLanguageChoice();
        state.ResumeTiming();
        QApplication::processEvents();
    }
    if (!fs::exists(p.Module())) state.SkipWithError("no module was built");
}

void FirstSwitch(benchmark::State& state) { FirstSwitchTimed(state, false); }
void FirstSwitchRepainted(benchmark::State& state) { FirstSwitchTimed(state, true); }

void ExistingModule(benchmark::State& state) {
    TProgram& p = Program();
    p.loc->SwitchToLanguage(10);
    for (auto _ : state) {
        state.PauseTiming();
        p.loc->SwitchToLanguage(9);
        QApplication::processEvents();
        state.ResumeTiming();
        p.loc->SwitchToLanguage(10);
    }
    QApplication::processEvents();  // after the loop: not timed
    if (p.loc->LanguageChoicePending()) state.SkipWithError("the choice was not written");
}

// A switch to Spanish from English with its module on disk, followed by the event loop's turn
// (repaints and, unless it was written outside the timing, the settings write).
void ExistingModuleAndItsTurn(benchmark::State& state, bool writeChoiceUntimed) {
    TProgram& p = Program();
    p.loc->SwitchToLanguage(10);
    for (auto _ : state) {
        state.PauseTiming();
        p.loc->SwitchToLanguage(9);
        QApplication::processEvents();
        state.ResumeTiming();
        p.loc->SwitchToLanguage(10);
        if (writeChoiceUntimed) {
            state.PauseTiming();
            p.loc->FlushLanguageChoice();
            state.ResumeTiming();
        }
        QApplication::processEvents();
    }
    if (p.loc->LanguageChoicePending()) state.SkipWithError("the choice was not written");
}

// What QtTranslatorRepainted does, which writes no settings.
void ExistingModuleRepainted(benchmark::State& state) { ExistingModuleAndItsTurn(state, true); }
void ExistingModuleSettled(benchmark::State& state) { ExistingModuleAndItsTurn(state, false); }

// ---- The Qt way ------------------------------------------------------------------------------

class TTableTranslator : public QTranslator {
public:
    explicit TTableTranslator(QHash<QString, QString> table) : table_(std::move(table)) {}
    QString translate(const char*, const char* source, const char* = nullptr, int = -1) const override {
        auto it = table_.constFind(QString::fromUtf8(source));
        return it == table_.cend() ? QString() : *it;
    }
    bool isEmpty() const override { return table_.isEmpty(); }

private:
    QHash<QString, QString> table_;
};

// The same texts, English -> Spanish, taken from the program's store.
QHash<QString, QString> SpanishTable() {
    TProgram& p = Program();
    QHash<QString, QString> table;
    locstore::TLinearPropertyList properties;
    p.loc->Store->Forms().CollectProperties(properties, false);
    const int es = p.loc->Store->IndexOfLanguage(10);
    for (int i = 0; i < properties.Count(); ++i) {
        auto* prop = properties.ItemAt(i);
        table.insert(QString::fromStdU16String(prop->BaseValue()->Text()),
                     QString::fromStdU16String(prop->Values().Value(es < 0 ? 0 : es)->Text()));
    }
    table.insert("Ready", "Listo");
    return table;
}

class TQtWindows : public QObject {
public:
    QMainWindow main;
    QWidget about;
    std::vector<std::pair<QMenu*, const char*>> menus;
    std::vector<std::pair<QAction*, const char*>> actions;
    std::vector<std::pair<QLabel*, const char*>> labels;
    std::vector<std::pair<QLabel*, const char*>> tips;
    QPlainTextEdit* memo = new QPlainTextEdit;
    int retranslations = 0;

    explicit TQtWindows(QSize mainSize) {
        auto* column = new QWidget;
        auto* layout = new QVBoxLayout(column);
        const char* captions[] = {"Encrypt", "Decrypt", "Open...", "Clear", "About...", "Exit"};
        const char* hints[] = {"Encrypt text into image", "Decrypt text from image", "Open an image file",
                               "Clear text and image", "About...", "Exit"};
        for (int i = 0; i < 6; ++i) {
            auto* icon = new QLabel;
            tips.emplace_back(icon, hints[i]);
            auto* label = new QLabel;
            labels.emplace_back(label, captions[i]);
            layout->addWidget(icon);
            layout->addWidget(label);
        }
        auto* work = new QLabel;
        labels.emplace_back(work, "Click to load a bitmap image");
        layout->addWidget(work);
        layout->addWidget(memo);
        main.setCentralWidget(column);
        const char* menuNames[] = {"File", "Edit", "Language", "Help"};
        for (const char* name : menuNames) menus.emplace_back(main.menuBar()->addMenu(QString()), name);
        const char* items[] = {"Open...", "Encrypt...", "Exit", "Clear", "About..."};
        for (const char* item : items) actions.emplace_back(menus[0].first->addAction(QString()), item);
        auto* aboutLayout = new QVBoxLayout(&about);
        for (const char* text : {"Veilmark 1.0", "Made by the Veilmark developers, 2026",
                                 "Encrypt Your Secret Text In a Bitmap Image", "veilmark.example.org"}) {
            auto* label = new QLabel;
            labels.emplace_back(label, text);
            aboutLayout->addWidget(label);
        }
        main.installEventFilter(this);
        Retranslate();
        main.resize(mainSize);  // as many pixels to paint as the program's main window
        main.show();
        QApplication::processEvents();
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &main && event->type() == QEvent::LanguageChange) Retranslate();
        return false;
    }
    void Retranslate() {
        ++retranslations;
        for (auto& [menu, text] : menus) menu->setTitle(QCoreApplication::translate("Form1", text));
        for (auto& [action, text] : actions) action->setText(QCoreApplication::translate("Form1", text));
        for (auto& [label, text] : labels) label->setText(QCoreApplication::translate("Form1", text));
        for (auto& [label, text] : tips) label->setToolTip(QCoreApplication::translate("Form1", text));
        memo->setPlainText(QCoreApplication::translate("Form1", "Enter your text here"));
        main.statusBar()->showMessage(QCoreApplication::translate("Form1", "Ready"));
        about.setWindowTitle(QCoreApplication::translate("AboutBox", "Veilmark 1.0"));
    }
};

// Qt's LanguageChange reaches the widgets in the event loop's turn after installTranslator; the
// repaint of what they changed comes a turn later.
void QtTranslatorSwitch(benchmark::State& state, int turns) {
    TProgram& p = Program();
    const QHash<QString, QString> table = SpanishTable();
    // The program's windows hidden, so that only the Qt tree answers the LanguageChange.
    p.mainForm->Hide();
    QApplication::processEvents();
    TQtWindows windows(p.mainSize);
    std::unique_ptr<TTableTranslator> translator;
    for (auto _ : state) {
        state.PauseTiming();
        if (translator) QCoreApplication::removeTranslator(translator.get());
        translator.reset();
        QApplication::processEvents();
        QApplication::processEvents();
        state.ResumeTiming();
        translator = std::make_unique<TTableTranslator>(table);
        QCoreApplication::installTranslator(translator.get());
        for (int turn = 0; turn < turns; ++turn) QApplication::processEvents();
    }
    if (translator) QCoreApplication::removeTranslator(translator.get());
    state.counters["retranslations"] = windows.retranslations;
    p.mainForm->Show();
    QApplication::processEvents();
}

void QtTranslator(benchmark::State& state) { QtTranslatorSwitch(state, 1); }
void QtTranslatorRepainted(benchmark::State& state) { QtTranslatorSwitch(state, 2); }

BENCHMARK(FirstSwitch)->Unit(benchmark::kMillisecond);
BENCHMARK(FirstSwitchRepainted)->Unit(benchmark::kMillisecond);
BENCHMARK(ExistingModule)->Unit(benchmark::kMillisecond);
BENCHMARK(ExistingModuleRepainted)->Unit(benchmark::kMillisecond);
BENCHMARK(ExistingModuleSettled)->Unit(benchmark::kMillisecond);
BENCHMARK(QtTranslator)->Unit(benchmark::kMillisecond);
BENCHMARK(QtTranslatorRepainted)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ProgramSlot().reset();  // the windows, the localizer and the settings, while Qt still runs
    QtAppSlot().reset();
    return 0;
}
