// The form processor on damaged form streams and on the program's real forms.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "locstore/LocStorage.h"
#include "modres/LocFormProc.h"
#include "modres/WinResProc.h"
#include "platform/rtl/Exception.h"
#include "platform/rtti/ComponentStream.h"
#include "platform/rtti/Controls.h"
#include "tests/langbuild/FormProcFixture.h"

namespace {

using namespace langbuild_test;
using locstore::TLocStorage;
using modres::TLocFormProcessor;

// Runs the processor over a damaged stream held in a resource item: the error names the form and
// the item keeps its bytes.
std::string DamagedFormError(const std::vector<std::uint8_t>& bytes) {
    TLocStorage store;
    TLocFormProcessor proc;
    proc.Store = &store;
    proc.ProjectForms = {"Form1"};
    modres::TResProcessor res;
    res.AddBlock(std::make_unique<modres::TResRCData>(&res));
    auto* item = res.FindRCData()->AddItem("TFORM1", false);
    item->Data->WriteBytes(bytes);
    std::string message;
    try {
        proc.ProcessForms(res);
    } catch (const rtl::Exception& e) {
        message = e.Message();
        EXPECT_EQ(item->Data->Bytes(), bytes);
    }
    return message;
}

TEST(FormProcessor, MalformedStreamsGiveTheWrappedErrorAndKeepTheItem) {
    auto form = CompileForm("object Form1: TForm\n  object lbl1: TLabel\n    Caption = 'x'\n  end\nend\n");

    auto badSignature = form;
    badSignature[3] = '1';
    EXPECT_EQ(DamagedFormError(badSignature).rfind("Error during processing form \r\n", 0), 0u);

    auto badType = form;
    const std::string caption = "\x07" "Caption";
    auto at = std::search(badType.begin(), badType.end(), caption.begin(), caption.end());
    ASSERT_NE(at, badType.end());
    at[8] = 0x30;
    EXPECT_EQ(DamagedFormError(badType), "Error during processing form Form1\r\nError reading lbl1.Caption: 48");

    // Cut anywhere: an error every time, never a read past the end.
    for (std::size_t size = 0; size < form.size(); ++size) {
        std::vector<std::uint8_t> cut(form.begin(), form.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(DamagedFormError(cut).rfind("Error during processing form ", 0), 0u) << size;
    }

    // Lists nested past the reader's limit end in an error, not in a stack overflow.
    std::vector<std::uint8_t> deep = {'T', 'P', 'F', '0', 5, 'T', 'F', 'o', 'r', 'm', 5, 'F', 'o', 'r', 'm', '1',
                                      1, 'P'};
    deep.insert(deep.end(), 100000, 1);
    EXPECT_EQ(DamagedFormError(deep).rfind("Error during processing form Form1\r\n", 0), 0u);
}

TEST(FormProcessor, DamagedRealFormsFailCleanly) {
    // Bytes changed at random places of the real main window: a rewrite either succeeds or ends
    // in the wrapped error, and the item keeps its bytes in the second case.
    const auto form = CompileForm(FormSource("Form1.txt"));
    std::mt19937 random(20261209);
    int failures = 0;
    for (int round = 0; round < 300; ++round) {
        auto damaged = form;
        for (int i = 0; i < 4; ++i)
            damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
        const std::string message = DamagedFormError(damaged);
        if (!message.empty()) {
            ++failures;
            EXPECT_EQ(message.rfind("Error during processing form ", 0), 0u) << message;
        }
    }
    EXPECT_GT(failures, 0);
}

TEST(FormProcessor, RealFormsWithoutTranslationsComeOutUnchanged) {
    TLocStorage store;
    TLocFormProcessor proc;
    proc.Store = &store;
    proc.PrepareLanguage();
    for (const char* name : {"Form1.txt", "AboutBox.txt"}) {
        auto input = CompileForm(FormSource(name));
        rtl::TReadOnlyStream in(input);
        rtl::TMemoryStream out;
        proc.RewriteForm(in, out);
        EXPECT_EQ(out.Bytes(), input) << name;
    }
}

TEST(FormProcessor, AFormReadFromATranslatedStreamComesUpTranslated) {
    const char native[] = R"(
form Form1
  property Caption id 1 kind string revision 1 = "Hello"
  property Hint id 2 kind string revision 1 = "Tip"
  component Ctl1
    property Caption id 3 kind string revision 1 = "One"
  end
end
)";
    const char spanish[] = R"(
form Form1
  property Caption id 1 kind string revision 1 = "Hola"
  property Hint id 2 kind string revision 1 = "Consejo"
  component Ctl1
    property Caption id 3 kind string revision 1 = "Uno"
  end
end
)";
    TFixture f(native, Header(10, "Spanish") + spanish);
    auto input = CompileForm(
        "object Form1: TForm\n  Caption = 'Hello'\n  Hint = 'Tip'\n  object Ctl1: TControl\n    Caption = 'One'\n  end\nend\n");
    rtl::TReadOnlyStream in(input);
    rtl::TMemoryStream translated;
    f.Proc.RewriteForm(in, translated);

    rtti::TClassRegistry registry;
    rtti::RegisterClasses(registry);
    rtti::TReadContext context;
    context.Registry = &registry;
    translated.SetPosition(0);
    auto root = rtti::ReadRootComponent(translated, context);
    auto* form = dynamic_cast<rtti::TForm*>(root.get());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->GetText(), "Hola");
    EXPECT_EQ(form->Hint(), "Consejo");
    auto* ctl = dynamic_cast<rtti::TControl*>(form->FindComponent("Ctl1"));
    ASSERT_NE(ctl, nullptr);
    EXPECT_EQ(ctl->GetText(), "Uno");
}

}  // namespace
