// The form processor reads form streams from modules: each refusal carries the code of the check
// that made it, under the processor's own message.

#include <gtest/gtest.h>

#include <algorithm>

#include "locstore/LocStorage.h"
#include "modres/LocFormProc.h"
#include "modres/WinResProc.h"
#include "tests/langbuild/LangBuildTestUtil.h"
#include "tests/support/ErrorCode.h"

using langbuild_test::CompileForm;

namespace {

// Runs the processor over a stream held in the resource item of Form1.
std::string DamagedFormCode(const std::vector<std::uint8_t>& bytes) {
    locstore::TLocStorage store;
    modres::TLocFormProcessor proc;
    proc.Store = &store;
    proc.ProjectForms = {"Form1"};
    modres::TResProcessor res;
    res.AddBlock(std::make_unique<modres::TResRCData>(&res));
    res.FindRCData()->AddItem("TFORM1", false)->Data->WriteBytes(bytes);
    return testutil::ErrorCodeOf([&] { proc.ProcessForms(res); });
}

}  // namespace

TEST(FormProcessorCodes, EachRefusalNamesItsCheck) {
    const auto form = CompileForm("object Form1: TForm\n  object lbl1: TLabel\n    Caption = 'x'\n  end\nend\n");
    EXPECT_EQ(DamagedFormCode(form), "(no error)");

    auto badSignature = form;
    badSignature[3] = '1';
    EXPECT_EQ(DamagedFormCode(badSignature), "form.header.magic");

    auto badType = form;
    const std::string caption = "\x07" "Caption";
    auto at = std::search(badType.begin(), badType.end(), caption.begin(), caption.end());
    ASSERT_NE(at, badType.end());
    at[8] = 0x30;
    EXPECT_EQ(DamagedFormCode(badType), "form.value.type");

    for (std::size_t size = 4; size < form.size(); ++size)
        EXPECT_EQ(DamagedFormCode({form.begin(), form.begin() + static_cast<std::ptrdiff_t>(size)}), "form.stream.short")
            << size;

    modres::TResProcessor none;
    modres::TLocFormProcessor proc;
    proc.ProjectForms = {"Form1"};
    EXPECT_EQ(testutil::ErrorCodeOf([&] { proc.ProcessForms(none); }), "pe.rcdata.missing");
}
