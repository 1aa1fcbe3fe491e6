#include <gtest/gtest.h>

#include "tools/vlmrk-tool/Options.h"

namespace tool {
namespace {

struct TParsed {
    bool Force = false;
    bool Json = false;
    std::string CodePage;
    int Format = 7;
    std::vector<std::string> Items;
    Args Positional;
};

TParsed ParseWith(const Args& args) {
    TParsed p;
    TOptions options;
    options.Flag("--force", p.Force).Flag("--json", p.Json).Value("--codepage", p.CodePage);
    options.Number("--format", p.Format, 1, 7).Values("--rcdata", p.Items);
    p.Positional = options.Parse(args, 1);
    return p;
}

TEST(ToolOptions, OptionsBeforeBetweenAndAfterPositionals) {
    TParsed p = ParseWith({"hide", "--force", "in.bmp", "--codepage", "1251", "out.bmp", "--json"});
    EXPECT_TRUE(p.Force);
    EXPECT_TRUE(p.Json);
    EXPECT_EQ(p.CodePage, "1251");
    EXPECT_EQ(p.Positional, (Args{"in.bmp", "out.bmp"}));
}

TEST(ToolOptions, ValueAfterEqualsSignAndRepeatedValuesInOrder) {
    TParsed p = ParseWith({"cmd", "--format=3", "--rcdata", "A=a", "--rcdata=B=b", "--codepage=", "x"});
    EXPECT_EQ(p.Format, 3);
    EXPECT_EQ(p.Items, (std::vector<std::string>{"A=a", "B=b"}));
    EXPECT_EQ(p.CodePage, "");
    EXPECT_EQ(p.Positional, (Args{"x"}));
}

TEST(ToolOptions, DoubleDashEndsOptionsAndSingleDashIsPositional) {
    TParsed p = ParseWith({"hide", "-", "--", "--force", "-x"});
    EXPECT_FALSE(p.Force);
    EXPECT_EQ(p.Positional, (Args{"-", "--force", "-x"}));
}

TEST(ToolOptions, CommandWordIsNotParsed) {
    // The word before `first` is the caller's: even an option-looking one stays out.
    TParsed p;
    TOptions options;
    options.Flag("--force", p.Force);
    EXPECT_EQ(options.Parse({"--force", "a"}, 1), (Args{"a"}));
    EXPECT_FALSE(p.Force);
}

TEST(ToolOptions, WrongUseIsAUsageError) {
    EXPECT_THROW(ParseWith({"cmd", "--unknown"}), EUsage);
    EXPECT_THROW(ParseWith({"cmd", "-f"}), EUsage);             // no short aliases declared
    EXPECT_THROW(ParseWith({"cmd", "a", "--codepage"}), EUsage);  // value missing at the end
    EXPECT_THROW(ParseWith({"cmd", "--force=yes"}), EUsage);      // a flag takes no value
    EXPECT_THROW(ParseWith({"cmd", "--format", "8"}), EUsage);
    EXPECT_THROW(ParseWith({"cmd", "--format", "3x"}), EUsage);
    EXPECT_THROW(ParseWith({"cmd", "--help"}), EUsage);  // answered by main, never by a command
}

TEST(ToolOptions, ValuedOptionTakesTheNextWordEvenWhenItLooksLikeAnOption) {
    TParsed p = ParseWith({"cmd", "--codepage", "--force"});
    EXPECT_EQ(p.CodePage, "--force");
    EXPECT_FALSE(p.Force);
}

TEST(ToolOptions, ExpectPositionalsChecksTheCount) {
    EXPECT_NO_THROW(ExpectPositionals({"a", "b"}, 2, 3, "x"));
    EXPECT_THROW(ExpectPositionals({"a"}, 2, 3, "x"), EUsage);
    EXPECT_THROW(ExpectPositionals({"a", "b", "c", "d"}, 2, 3, "x"), EUsage);
}

}  // namespace
}  // namespace tool
