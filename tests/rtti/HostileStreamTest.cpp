// Form streams from outside are hostile: every fault is a read error, never a crash, a read past
// the end, an allocation the stream cannot back, or unbounded recursion.

#include <gtest/gtest.h>

#include <random>

#include "tests/rtti/TestClasses.h"

using namespace rttitest;

namespace {

const char* const kValid = R"(object Form1: TForm1
  Caption = 'Main'
  Font.Style = [fsBold]
  Ratio = 1.5
  Big = @i64 7
  WideCaption = 'w'#1071
  Memo = @utf8 'x'
  Cur = @currency 1.5
  object Memo1: TTestMemo
    Lines.Strings = (
      'a'
      @lstr 'b')
  end
  object Grid1: TTestGrid
    Columns = <
      item [1]
        Width = 3
      end>
  end
  object Image1: TTestImage
    Picture.Data = {
      01020304}
  end
end
)";

struct TVerdicts {
    int Errors = 0;          // how many of the two readers failed with a read error
    std::string ReaderCode;  // the codes of their errors ("" when it read the stream)
    std::string TextCode;
};

// Reads with the component reader and with the text converter. Every read error they raise names
// the check that made it; anything else escapes and fails the test.
TVerdicts ReadBothWithCodes(const std::vector<std::uint8_t>& bytes) {
    TVerdicts v;
    try {
        rtl::TReadOnlyStream s(bytes);
        TReadContext ctx{&Registry(), {}};
        ReadRootComponent(s, ctx);
    } catch (const rtl::EReadError& e) {
        ++v.Errors;
        v.ReaderCode = e.Code();
        EXPECT_TRUE(e.HasCode()) << e.Message();
    }
    try {
        rtl::TReadOnlyStream s(bytes);
        ObjectBinaryToText(s);
    } catch (const rtl::EReadError& e) {
        ++v.Errors;
        v.TextCode = e.Code();
        EXPECT_TRUE(e.HasCode()) << e.Message();
    }
    return v;
}

int ReadBoth(const std::vector<std::uint8_t>& bytes) { return ReadBothWithCodes(bytes).Errors; }

// The text converter's message and code.
std::string ReadMessage(const std::vector<std::uint8_t>& bytes) {
    try {
        rtl::TReadOnlyStream s(bytes);
        ObjectBinaryToText(s);
    } catch (const rtl::EReadError& e) {
        return e.Message() + " [" + std::string(e.Code()) + "]";
    }
    return "no error";
}

std::vector<std::uint8_t> Stream(std::initializer_list<std::uint8_t> body) {
    std::vector<std::uint8_t> v{'T', 'P', 'F', '0', 1, 'T', 1, 'A', 1, 'P'};  // object A: T, property P
    v.insert(v.end(), body);
    return v;
}

}  // namespace

TEST(HostileStreams, ValidStreamReads) {
    // The component reader accepts the properties it does not publish nowhere: strip to known ones.
    auto bytes = Compile(kValid);
    EXPECT_EQ(ReadBoth(bytes), 1) << "only the reader objects to the unknown properties Memo and Cur";
}

TEST(HostileStreams, EveryTruncationIsAReadError) {
    auto bytes = Compile(kValid);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        const TVerdicts v = ReadBothWithCodes(cut);
        EXPECT_EQ(v.Errors, 2) << "cut at " << n;
        EXPECT_EQ(v.TextCode, n < 4 ? "form.header.magic" : "form.stream.short") << "cut at " << n;
        // The reader meets the properties it does not publish before the end of the longer cuts.
        if (n < 4) {
            EXPECT_EQ(v.ReaderCode, "form.header.magic") << "cut at " << n;
        } else if (v.ReaderCode != "form.property.unknown") {
            EXPECT_EQ(v.ReaderCode, "form.stream.short") << "cut at " << n;
        }
    }
}

TEST(HostileStreams, BadSignatureAndUnknownValueTypes) {
    EXPECT_EQ(ReadMessage({'T', 'P', 'F', '1', 0, 0, 0, 0}), "Invalid stream format [form.header.magic]");
    EXPECT_EQ(ReadMessage(Stream({22, 0, 0})), "Unknown value type 22 [form.value.type]");
    EXPECT_EQ(ReadMessage(Stream({0xFF, 0, 0})), "Unknown value type 255 [form.value.type]");
    EXPECT_EQ(ReadMessage(Stream({1, 2, 5, 0x30, 0, 0})), "Unknown value type 48 [form.value.type]") << "inside a list";
}

TEST(HostileStreams, HugeLengthsAreRefusedWithoutAllocating) {
    // Each claims four gigabytes (or two, for wide strings) with a handful of bytes behind it.
    for (std::uint8_t type : {12, 10, 18, 20}) {
        auto bytes = Stream({type, 0xFF, 0xFF, 0xFF, 0xFF, 'x', 0, 0});
        EXPECT_EQ(ReadBoth(bytes), 2) << int(type);
        EXPECT_EQ(ReadBothWithCodes(bytes).TextCode, "form.stream.short") << int(type);
    }
    EXPECT_EQ(ReadBoth(Stream({6, 200, 'x', 0, 0})), 2) << "short string longer than the stream";
}

TEST(HostileStreams, DeepNestingIsLimited) {
    std::vector<std::uint8_t> lists = Stream({});
    lists.insert(lists.end(), 100000, 1);  // vaList inside vaList ...
    EXPECT_EQ(ReadBoth(lists), 2);
    EXPECT_EQ(ReadMessage(lists), "Form stream nested too deeply [form.nesting.deep]");

    std::vector<std::uint8_t> collections = Stream({14});
    for (int i = 0; i < 100000; ++i) collections.insert(collections.end(), {1, 1, 'P', 14});
    EXPECT_EQ(ReadBoth(collections), 2);

    // Objects inside objects: header, no properties, then the next child.
    std::vector<std::uint8_t> objects{'T', 'P', 'F', '0'};
    for (int i = 0; i < 100000; ++i) objects.insert(objects.end(), {11, 'T', 'W', 'i', 'n', 'C', 'o', 'n', 't', 'r', 'o', 'l', 0, 0});
    EXPECT_EQ(ReadBoth(objects), 2);
    EXPECT_EQ(ReadMessage(objects), "Form stream nested too deeply [form.nesting.deep]");
    EXPECT_EQ(ReadBothWithCodes(objects).ReaderCode, "form.nesting.deep");
}

TEST(HostileStreams, RandomDamageNeverEscapesAsAnythingButAReadError) {
    auto bytes = Compile(kValid);
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        auto damaged = bytes;
        int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            std::size_t at = 4 + rng() % (damaged.size() - 4);
            damaged[at] = static_cast<std::uint8_t>(rng());
        }
        ReadBoth(damaged);  // must return
    }
    SUCCEED();
}

TEST(HostileStreams, ReaderDoesNotLeaveHalfBuiltComponentsBehind) {
    // The error comes after children were created: the partial root is freed with them (the
    // sanitizer build checks for leaks) and the screen forgets the form.
    int forms = Screen().FormCount();
    auto bytes = Compile("object Form1: TForm1\n  object B: TTestButton\n  end\n  object C: TTestButton\n    Nope = 1\n  end\nend\n");
    const TVerdicts v = ReadBothWithCodes(bytes);
    EXPECT_EQ(v.Errors, 1);
    EXPECT_EQ(v.ReaderCode, "form.property.unknown");
    EXPECT_EQ(Screen().FormCount(), forms);
}
