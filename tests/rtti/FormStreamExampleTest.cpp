// The worked example of docs/formats/formstream.md, read from tests/data/formats/.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/rtti/FormStream.h"
#include "platform/rtti/FormText.h"

using namespace rtti;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadExample(const std::string& name) {
    std::ifstream in(std::string(VLMRK_TEST_DATA_DIR) + "/formats/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

constexpr const char* kExampleText =
    "object Form1: TForm1\n"
    "  Caption = 'Hi'\n"
    "  Width = 300\n"
    "  Font.Charset = DEFAULT_CHARSET\n"
    "  object lbl1: TLabel [1]\n"
    "    Caption = #937\n"
    "  end\n"
    "end\n";

}  // namespace

TEST(FormStreamFormatPage, ExampleReadsValueByValue) {
    const Bytes bytes = ReadExample("formstream-example.bin");
    ASSERT_EQ(bytes.size(), 102u);
    rtl::TReadOnlyStream s(bytes);
    TReader r(s);
    r.ReadSignature();
    TObjectHeader form = r.ReadHeader();
    EXPECT_FALSE(form.HasPrefix);
    EXPECT_EQ(form.ClassName, "TForm1");
    EXPECT_EQ(form.ObjectName, "Form1");
    EXPECT_EQ(r.ReadStr(), "Caption");
    EXPECT_EQ(r.NextValue(), TValueType::vaString);
    EXPECT_EQ(r.ReadString(), "Hi");
    EXPECT_EQ(r.ReadStr(), "Width");
    EXPECT_EQ(r.NextValue(), TValueType::vaInt16);
    EXPECT_EQ(r.ReadInteger(), 300);
    EXPECT_EQ(r.ReadStr(), "Font.Charset");
    EXPECT_EQ(r.ReadIdent(), "DEFAULT_CHARSET");
    EXPECT_TRUE(r.EndOfList());
    r.ReadListEnd();
    EXPECT_EQ(s.Position(), 69);

    TObjectHeader label = r.ReadHeader();
    EXPECT_TRUE(label.HasPrefix);
    EXPECT_EQ(label.Prefix, 0xF2);
    EXPECT_EQ(label.Flags, ffChildPos);
    EXPECT_EQ(label.PosType, TValueType::vaInt8);
    EXPECT_EQ(label.ChildPos, 1);
    EXPECT_EQ(label.ClassName, "TLabel");
    EXPECT_EQ(label.ObjectName, "lbl1");
    EXPECT_EQ(r.ReadStr(), "Caption");
    EXPECT_EQ(r.NextValue(), TValueType::vaWString);
    EXPECT_EQ(r.ReadWideString(), u"\u03A9");
    r.ReadListEnd();  // lbl1's properties
    r.ReadListEnd();  // lbl1's children
    r.ReadListEnd();  // Form1's children
    EXPECT_EQ(s.Position(), static_cast<std::int64_t>(bytes.size()));
}

TEST(FormStreamFormatPage, ExampleIsTheCompiledFormSource) {
    const Bytes bytes = ReadExample("formstream-example.bin");
    rtl::TReadOnlyStream in(bytes);
    EXPECT_EQ(ObjectBinaryToText(in), kExampleText);
    rtl::TMemoryStream out;
    ObjectTextToBinary(kExampleText, out);
    EXPECT_EQ(out.Bytes(), bytes);
}

TEST(FormStreamFormatPage, DamagedCopiesOfTheExampleAreRefused) {
    const Bytes bytes = ReadExample("formstream-example.bin");
    auto messageFor = [](const Bytes& b) {
        rtl::TReadOnlyStream in(b);
        try {
            ObjectBinaryToText(in);
        } catch (const rtl::EReadError& e) {
            return e.Message();
        }
        return std::string("no error");
    };
    Bytes signature = bytes;
    signature[3] = '1';
    EXPECT_EQ(messageFor(signature), "Invalid stream format");
    Bytes unknownType = bytes;
    unknownType[25] = 22;  // the type byte of Caption's value, at offset 25
    EXPECT_EQ(messageFor(unknownType), "Unknown value type 22");
    // Every cut copy is refused with the stream's read error, never read past its end.
    for (std::size_t n = 4; n < bytes.size(); ++n)
        EXPECT_NE(messageFor(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(n))), "no error") << n;
}
