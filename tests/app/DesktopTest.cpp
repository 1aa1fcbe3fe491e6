// The program as a desktop citizen: its command line, a file opened from the command line or
// dropped on the window, and the Open dialog's filters.

#include <unistd.h>

#include <QCoreApplication>
#include <QDropEvent>
#include <QDir>
#include <QMimeData>
#include <QUrl>

#include "app/CommandLine.h"
#include "app/OpenFilters.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/FileDrop.h"
#include "tests/app/AppTestFixture.h"

namespace {

using app::ParseCommandLine;
using app::TCommandLine;
using TAction = TCommandLine::TAction;

const char kCapacity63[] = "The maximum number characters to encrypt in this image is: 63";

void WriteBitmap(const std::string& path) { bitmap::TBitmap(24, 21, 24).SaveToFile(path); }

TEST(CommandLine, FileOptionsAndQtOptions) {
    EXPECT_EQ(ParseCommandLine({}).Action, TAction::Run);
    EXPECT_EQ(ParseCommandLine({}).FileName, "");
    EXPECT_EQ(ParseCommandLine({"photo.bmp"}).FileName, "photo.bmp");
    EXPECT_EQ(ParseCommandLine({"--", "-odd.bmp"}).FileName, "-odd.bmp");
    EXPECT_EQ(ParseCommandLine({"-"}).FileName, "-");
    // Qt's own options pass, with their values, before or after the file.
    const TCommandLine qt = ParseCommandLine({"-platform", "offscreen", "a.bmp", "--style=Fusion", "-reverse"});
    EXPECT_EQ(qt.Action, TAction::Run);
    EXPECT_EQ(qt.FileName, "a.bmp");
    EXPECT_EQ(ParseCommandLine({"a.bmp", "--help"}).Action, TAction::Help);
    EXPECT_EQ(ParseCommandLine({"-h"}).Action, TAction::Help);
    EXPECT_EQ(ParseCommandLine({"--version"}).Action, TAction::Version);
    EXPECT_EQ(ParseCommandLine({"--", "--version"}).Action, TAction::Run);
}

TEST(CommandLine, UnknownOptionsAndSecondFilesAreRefused) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"a.bmp", "-x"}, {"a.bmp", "b.bmp"}, {"--", "a", "b"}}) {
        const TCommandLine parsed = ParseCommandLine(args);
        EXPECT_EQ(parsed.Action, TAction::Refuse) << args[0];
        EXPECT_FALSE(parsed.Error.empty());
    }
}

TEST(CommandLine, HelpNamesExitCodesAndEveryLanguageFolderInOrder) {
    ::setenv("XDG_DATA_HOME", "/data/home", 1);
    ::setenv("XDG_DATA_DIRS", "/data/a:/data/b", 1);
    const std::string help = app::HelpText("/opt/veilmark/bin/Vlmrk");
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("XDG_DATA_DIRS");
    EXPECT_NE(help.find("Exit status"), std::string::npos);
    EXPECT_NE(help.find("registry.ini"), std::string::npos);
    const auto exe = help.find("/opt/veilmark/bin\n"), home = help.find("/data/home/veilmark/lang"),
               a = help.find("/data/a/veilmark/lang"), b = help.find("/data/b/veilmark/lang");
    ASSERT_NE(exe, std::string::npos);
    EXPECT_LT(exe, home);
    EXPECT_LT(home, a);
    EXPECT_LT(a, b);
    EXPECT_NE(app::VersionText().find("Veilmark 1.0, sources of "), std::string::npos);
}

TEST_F(AppWindows, FileFromTheCommandLineOpensAsOpenDoes) {
    WriteBitmap(PathOf("photo.bmp"));
    ui::Dispatch([this] { form->OpenBitmapFile(PathOf("photo.bmp")); });
    EXPECT_EQ(Status(), kCapacity63);
    EXPECT_EQ(form->image2->Bitmap().Width(), 24);
    EXPECT_TRUE(Script().Boxes.empty());
}

TEST_F(AppWindows, MissingOrHostileFileShowsTheErrorBoxAndKeepsTheImage) {
    WriteBitmap(PathOf("photo.bmp"));
    ui::Dispatch([this] { form->OpenBitmapFile(PathOf("photo.bmp")); });
    // A header claiming a huge image over a few bytes, and a file that is not there.
    std::vector<std::uint8_t> hostile = {'B', 'M', 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                                         0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 1, 0, 24, 0};
    hostile.resize(60, 0);
    rtl::SaveFileAtomically(PathOf("hostile.bmp"), hostile);
    for (const char* name : {"missing.bmp", "hostile.bmp"}) {
        const std::size_t boxes = Script().Boxes.size();
        ui::Dispatch([this, name] { form->OpenBitmapFile(PathOf(name)); });
        ASSERT_EQ(Script().Boxes.size(), boxes + 1) << name;
        EXPECT_EQ(Script().Boxes.back().Type, ui::TMsgDlgType::mtError);
        EXPECT_EQ(Script().Boxes.back().Caption, "Veilmark 1.0");
        EXPECT_EQ(Status(), kCapacity63) << name;
        EXPECT_EQ(form->image2->Bitmap().Width(), 24) << name;
    }
}

// Sends a drag of the URLs to the widget: enter, then drop. Answers whether the drop was taken.
bool Drop(QWidget* widget, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at(widget->width() / 2, widget->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &drop);
    return drop.isAccepted();
}

TEST_F(AppWindows, DroppedBitmapOpensOnTheWindowAndOnTheMemo) {
    WriteBitmap(PathOf("dropped.bmp"));
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(PathOf("dropped.bmp")));
    EXPECT_TRUE(Drop(form->image2->Widget(), {url}));
    EXPECT_EQ(Status(), kCapacity63);
    form->image2->ClearPicture();
    // The memo's own text drops stay, but a file dropped on it opens the file.
    auto* memo = form->mmo1->Widget()->findChild<QWidget*>(QString(), Qt::FindChildrenRecursively);
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(Drop(memo, {url}));
    EXPECT_EQ(form->image2->Bitmap().Width(), 24);
    // A web address is no file: the drag is not taken.
    EXPECT_FALSE(Drop(form->image2->Widget(), {QUrl("https://example.org/a.bmp")}));
    EXPECT_TRUE(Script().Boxes.empty());
}

TEST(FileDrop, OnlyLocalFilesCount) {
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/a b.bmp"), QUrl::fromLocalFile("/tmp/c.bmp")});
    EXPECT_EQ(ui::DroppedFiles(&files), (std::vector<std::string>{"/tmp/a b.bmp", "/tmp/c.bmp"}));
    QMimeData mixed;
    mixed.setUrls({QUrl::fromLocalFile("/tmp/a.bmp"), QUrl("https://example.org/")});
    EXPECT_TRUE(ui::DroppedFiles(&mixed).empty());
    QMimeData text;
    text.setText("/tmp/a.bmp");
    EXPECT_TRUE(ui::DroppedFiles(&text).empty());
    EXPECT_TRUE(ui::DroppedFiles(nullptr).empty());
}

TEST_F(AppWindows, OpenDialogOffersBitmapsAndAllFilesSaveDialogBitmaps) {
    Script().OpenAnswers.push_back(std::nullopt);
    Run(&app::TForm1::actOpenBmpExecute);
    ASSERT_EQ(Script().OpenRequests.size(), 1u);
    EXPECT_EQ(Script().OpenRequests[0].Filter, "Bitmap Files (*.bmp)|*.bmp|All Files (*)|*");
    EXPECT_EQ(ui::QtNameFilters(Script().OpenRequests[0].Filter), "Bitmap Files (*.bmp);;All Files (*)");
    WriteBitmap(PathOf("x.bmp"));
    form->image2->LoadBitmapFromFile(PathOf("x.bmp"));
    form->mmo1->SetText("hi");
    Run(&app::TForm1::actAancryptandSaveExecute);
    ASSERT_EQ(Script().SaveRequests.size(), 1u);
    EXPECT_EQ(Script().SaveRequests[0].Filter, "Bitmap Files (*.bmp)|*.bmp");
}

// The patterns of a Qt name filter: "Bitmap Files (*.bmp)" gives *.bmp.
QStringList PatternsOf(const QString& filter) {
    const qsizetype open = filter.lastIndexOf(QLatin1Char('(')), close = filter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open) return {filter};
    return filter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// Qt's file dialog matches its name filters as QDir does: without regard to case unless asked.
// (Its own listing fills in from a thread, too unevenly to wait for in a test.)
TEST_F(AppWindows, OpenDialogFiltersMatchBitmapsWithoutRegardToCase) {
    for (const char* name : {"SCAN.BMP", "photo.bmp", "Mixed.Bmp", "notes.txt"})
        rtl::SaveFileAtomically(PathOf(name), std::vector<std::uint8_t>{1});
    const QStringList filters = ui::QtNameFilters(QString::fromStdString(app::OpenDialogFilter())).split(QStringLiteral(";;"));
    ASSERT_EQ(filters.size(), 2);
    const QDir folder(QString::fromStdString(dir.string()));
    EXPECT_EQ(folder.entryList(PatternsOf(filters[0]), QDir::Files, QDir::Name | QDir::IgnoreCase),
              (QStringList{"Mixed.Bmp", "photo.bmp", "SCAN.BMP"}));
    EXPECT_EQ(folder.entryList(PatternsOf(filters[1]), QDir::Files, QDir::Name | QDir::IgnoreCase),
              (QStringList{"Mixed.Bmp", "notes.txt", "photo.bmp", "SCAN.BMP"}));
}

}  // namespace
