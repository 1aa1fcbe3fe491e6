// The bounded reader of resource images: the cursor, the string-block decoder and the directory
// walker, over minimal images whose every offset has a name.

#include <gtest/gtest.h>

#include "platform/winres/ByteCursor.h"
#include "platform/winres/ResourceDirectory.h"
#include "platform/winres/StringBlock.h"
#include "platform/winres/WinRes.h"
#include "tests/winres/MinimalImage.h"

using namespace winres;
using namespace minimal_image;

namespace {

// The loader's index of an image, or the code of the check that refused it.
std::string IndexCode(const std::vector<std::uint8_t>& image, std::vector<TResourceEntry>* entries = nullptr) {
    TPEHeaders headers;
    if (ParsePEHeaders(image, headers) != TPEStatus::Ok) return "headers";
    std::vector<TResourceEntry> found;
    TDirFault fault = IndexResources(image, headers, found);
    if (entries) *entries = found;
    return fault == TDirFault::None ? "ok" : DirFaultCode(fault);
}

std::vector<std::uint8_t> Records(std::initializer_list<std::u16string> texts) {
    std::vector<std::uint8_t> b;
    for (const auto& t : texts) {
        Put16(b, b.size(), static_cast<std::uint16_t>(t.size()));
        for (char16_t c : t) Put16(b, b.size(), c);
    }
    return b;
}

}  // namespace

TEST(ByteCursor, ReadsAreBoundedAndAFailedReadChangesNothing) {
    const std::vector<std::uint8_t> bytes = {1, 2, 3, 4, 5};
    TByteCursor c(bytes);
    std::uint32_t u32 = 0;
    ASSERT_TRUE(c.ReadU32(u32));
    EXPECT_EQ(u32, 0x04030201u);
    std::uint16_t u16 = 0xBEEF;
    EXPECT_FALSE(c.ReadU16(u16));  // one byte left
    EXPECT_EQ(u16, 0xBEEF);
    EXPECT_EQ(c.Position(), 4u);
    std::uint8_t u8 = 0;
    ASSERT_TRUE(c.ReadU8(u8));
    EXPECT_EQ(u8, 5);
    EXPECT_TRUE(c.AtEnd());
    EXPECT_TRUE(c.Seek(5));  // the end itself
    EXPECT_FALSE(c.Seek(6));
    EXPECT_FALSE(c.Skip(1));
    ASSERT_TRUE(c.Seek(1));
    EXPECT_FALSE(c.Skip(~0ull));  // no wrap-around
    TBytes view;
    EXPECT_FALSE(c.ReadBytes(5, view));
    ASSERT_TRUE(c.ReadBytes(4, view));
    EXPECT_EQ(view.data(), bytes.data() + 1);
    // A cursor placed past the end reads nothing.
    TByteCursor past(bytes, 100);
    EXPECT_FALSE(past.ReadU8(u8));
}

TEST(ByteCursor, CountedTextCutShortLeavesThePositionAndTheText) {
    const std::vector<std::uint8_t> bytes = {2, 0, 'o', 0, 'k', 0, 3, 0, 'a', 0};
    TByteCursor c(bytes);
    std::u16string text;
    ASSERT_TRUE(c.ReadCountedUtf16(text));
    EXPECT_EQ(text, u"ok");
    EXPECT_FALSE(c.ReadCountedUtf16(text));
    EXPECT_EQ(text, u"ok");
    EXPECT_EQ(c.Position(), 6u);
    EXPECT_FALSE(c.ReadUtf16(~0ull / 2 + 1, text));  // 2 x units would wrap
}

TEST(StringBlock, SixteenRecordsAtMostAndEmptyPositionsAreEmpty) {
    auto block = Records({u"p0", u"", u"p2", u"p3", u"p4", u"p5", u"p6", u"p7", u"p8", u"p9", u"p10", u"p11", u"p12", u"p13",
                          u"p14", u"p15", u"seventeenth"});
    TStringBlockReader reader(block);
    std::vector<std::u16string> read;
    std::u16string text;
    while (reader.Next(text)) read.push_back(text);
    ASSERT_EQ(read.size(), 16u);
    EXPECT_EQ(reader.Position(), 15);
    EXPECT_EQ(read[15], u"p15");
    EXPECT_EQ(StringInBlock(block, 0), u"p0");
    EXPECT_EQ(StringInBlock(block, 1), std::nullopt);  // empty position
    EXPECT_EQ(StringInBlock(block, 15), u"p15");
    EXPECT_EQ(StringInBlock(block, 16), std::nullopt);
    EXPECT_EQ(StringInBlock(block, -1), std::nullopt);
    EXPECT_EQ(StringInBlock({}, 0), std::nullopt);
}

TEST(StringBlock, ARecordCutShortEndsTheBlockAndKeepsWhatCameBefore) {
    // Position 0 "A", position 1 empty, position 2 claims 5 units but only 1 follows.
    const std::vector<std::uint8_t> block = {1, 0, 'A', 0, 0, 0, 5, 0, 'B', 0};
    TStringBlockReader reader(block);
    std::u16string text;
    ASSERT_TRUE(reader.Next(text));
    EXPECT_EQ(text, u"A");
    ASSERT_TRUE(reader.Skip());
    EXPECT_FALSE(reader.Skip());
    EXPECT_FALSE(reader.Next(text));
    EXPECT_EQ(reader.Position(), 1);
    EXPECT_EQ(StringInBlock(block, 0), u"A");
    EXPECT_EQ(StringInBlock(block, 2), std::nullopt);
    EXPECT_EQ(StringInBlock(block, 3), std::nullopt);  // behind the cut
    // A length with its second byte missing.
    EXPECT_EQ(StringInBlock(std::vector<std::uint8_t>{1, 0, 'A', 0, 7}, 1), std::nullopt);
}

TEST(ResourceDirectory, TheStandardTreeIsIndexedAndLoaded) {
    const TTree tree = StandardTree();
    std::vector<TResourceEntry> entries;
    ASSERT_EQ(IndexCode(tree.Image(), &entries), "ok");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries[0].Type.Matches(RT_STRING));
    EXPECT_TRUE(entries[0].Name.Matches(1));
    EXPECT_EQ(entries[0].Offset, kSectionFile + tree.StringData);
    EXPECT_EQ(entries[0].Size, 8u);
    EXPECT_TRUE(entries[1].Name.Matches("form"));
    EXPECT_EQ(entries[1].Offset, kSectionFile + tree.RCDataData);

    ASSERT_TRUE(SetAppImage(tree.Image()));
    EXPECT_EQ(LoadStringW(AppInstance(), 0), u"Hi");
    EXPECT_EQ(LoadStringW(AppInstance(), 1), std::nullopt);
    EXPECT_EQ(ResourceBytes(AppInstance(), "FORM", RT_RCDATA).size(), 3u);
    ResetAppImage();
}

TEST(ResourceDirectory, ASectionUnderAnotherNameIsFoundThroughTheDataDirectory) {
    const auto image = StandardTree().Image(".data");
    TPEHeaders headers;
    ASSERT_EQ(ParsePEHeaders(image, headers), TPEStatus::Ok);
    TResourceSection where;
    EXPECT_EQ(FindResourcesBySection(headers, image, ".rsrc", where), TResourceLookup::Missing);
    ASSERT_EQ(FindResourcesByDirectory(headers, image, where), TResourceLookup::Found);
    EXPECT_EQ(where.FileOffset, kSectionFile);
    EXPECT_EQ(where.Rva, kSectionRva);
    std::vector<TResourceEntry> entries;
    EXPECT_EQ(IndexCode(image, &entries), "ok");
    EXPECT_EQ(entries.size(), 2u);

    // Neither a resource section nor a data directory: no resources, which is no fault.
    const auto bare = BuildImage(StandardTree().Section, ".data", false);
    ASSERT_EQ(ParsePEHeaders(bare, headers), TPEStatus::Ok);
    EXPECT_EQ(FindResourcesByDirectory(headers, bare, where), TResourceLookup::Missing);
    EXPECT_EQ(IndexCode(bare, &entries), "ok");
    EXPECT_TRUE(entries.empty());

    // A data directory that no section holds.
    auto stray = image;
    Put32(stray, kResourceDataDirectory, 0x9000);
    EXPECT_EQ(IndexCode(stray), "pe.dir.outside");
}

TEST(ResourceDirectory, DamagedTreesAreRefusedByTheCheckThatFindsTheDamage) {
    for (const auto& hostile : HostileTrees()) {
        SCOPED_TRACE(hostile.What);
        const auto image = hostile.Tree.Image();
        std::vector<TResourceEntry> entries = {TResourceEntry{}};
        EXPECT_EQ(IndexCode(image, &entries), DirFaultCode(hostile.Fault));
        EXPECT_TRUE(entries.empty());
        EXPECT_FALSE(SetAppImage(image));
    }
}

TEST(ResourceDirectory, EveryTruncationOfTheStandardTreeFailsCleanly) {
    const auto image = StandardTree().Image();
    for (std::size_t len = kSectionFile; len < image.size(); ++len) {
        std::vector<std::uint8_t> cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(len));
        EXPECT_NE(IndexCode(cut), "ok") << len;
    }
}
