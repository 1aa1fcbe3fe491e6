// Widget updates gathered over a run of changes (a language switch): the menu is built, laid out
// and reported once at the end, and nothing of the result is lost.

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/ui/Menus.h"
#include "platform/ui/UpdateBatch.h"
#include "tests/ui/GuiTestSupport.h"

namespace {

using guitest::QtApp;

struct TSenders : rtti::TPersistent {
    std::vector<rtl::TObject*> Seen;
};

const rtti::TMethodInfo kRecord{"Changed", [](rtti::TPersistent& self, rtl::TObject* sender) {
                                    static_cast<TSenders&>(self).Seen.push_back(sender);
                                }};

struct TMenuFixture {
    TSenders senders;  // outlives the menu
    rtti::TComponent owner;
    ui::TMainMenu* menu = owner.Add<ui::TMainMenu>("mm1");
    ui::TMenuItem* file = owner.Add<ui::TMenuItem>("File1");
    ui::TMenuItem* open = owner.Add<ui::TMenuItem>("Open1");
    ui::TMenuItem* exit = owner.Add<ui::TMenuItem>("Exit1");

    explicit TMenuFixture(bool withBar) {
        file->SetCaption("&File");
        file->Add(open);
        file->Add(exit);
        open->SetCaption("&Open...");
        exit->SetCaption("E&xit");
        menu->Items()->Add(file);
        if (withBar) menu->MenuBar();
        menu->OnChange = rtti::TMethod{&senders, &kRecord};
    }
};

}  // namespace

TEST(UpdateBatch, AMenuIsBuiltAndReportedOnceWhenTheBatchEnds) {
    QtApp();
    for (bool withBar : {true, false}) {
        SCOPED_TRACE(withBar ? "shown in a bar" : "without a bar");
        TMenuFixture m(withBar);
        ui::BeginUpdateBatch();
        ui::BeginUpdateBatch();  // nested: only the outermost end counts
        m.file->SetCaption("&Archivo");
        m.open->SetCaption("&Abrir...");
        m.exit->SetCaption("&Salir");
        m.exit->SetEnabled(false);
        ui::EndUpdateBatch();
        EXPECT_TRUE(m.senders.Seen.empty()) << "reported before the batch ended";
        ui::EndUpdateBatch();
        ASSERT_EQ(m.senders.Seen.size(), 1u);
        EXPECT_EQ(m.senders.Seen[0], m.menu);
        EXPECT_EQ(m.open->QtAction()->text(), "&Abrir...");
        EXPECT_EQ(m.exit->QtAction()->text(), "&Salir");
        EXPECT_FALSE(m.exit->QtAction()->isEnabled());
        ASSERT_NE(m.file->QtMenu(), nullptr);
        EXPECT_EQ(m.file->QtMenu()->title(), "&Archivo");
        EXPECT_EQ(m.file->QtMenu()->actions().size(), 2);
        if (withBar) {
            ASSERT_EQ(m.menu->MenuBar()->actions().size(), 1);
            EXPECT_EQ(m.menu->MenuBar()->actions()[0]->text(), "&Archivo");
        }

        // Outside a batch every change shows and is reported at once, as always.
        m.open->SetCaption("&Open");
        EXPECT_EQ(m.open->QtAction()->text(), "&Open");
        EXPECT_EQ(m.senders.Seen.size(), 2u);
        EXPECT_EQ(m.senders.Seen[1], m.open);
    }
}

TEST(UpdateBatch, WorkOfObjectsGoneOrFailingDoesNotStopTheRest) {
    QtApp();
    {
        // A menu destroyed inside the batch leaves nothing behind to run.
        ui::BeginUpdateBatch();
        {
            TMenuFixture m(true);
            m.open->SetCaption("x");
        }
        EXPECT_NO_THROW(ui::EndUpdateBatch());
    }
    std::vector<std::string> ran;
    ui::BeginUpdateBatch();
    ui::DeferUpdate(&ran, [&] { ran.push_back("first, replaced"); });
    ui::DeferUpdate(&ran, [&] { ran.push_back("first"); });
    int key2 = 0, key3 = 0;
    ui::DeferUpdate(&key2, [&] { throw std::runtime_error("broken"); });
    ui::DeferUpdate(&key3, [&] { ran.push_back("third"); });
    EXPECT_TRUE(ui::UpdateBatchOpen());
    EXPECT_THROW(ui::EndUpdateBatch(), std::runtime_error);
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "third"}));
    EXPECT_FALSE(ui::UpdateBatchOpen());
    ui::DeferUpdate(&key3, [&] { ran.push_back("at once"); });
    EXPECT_EQ(ran.back(), "at once");
    EXPECT_NO_THROW(ui::EndUpdateBatch()) << "an end without a beginning does nothing";
}
