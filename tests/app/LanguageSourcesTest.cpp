// The four shipped translation sources: every declared message and every translatable property
// of both windows has its entry in each, with the same ids and resource numbers, the same format
// specifiers, and translations that are current.

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "langdata/LangSource.h"
#include "locstore/LocStorage.h"
#include "resources/messages/MessageCatalog.h"
#include "tests/app/AppTestFixture.h"

namespace {

struct TEntry {
    int Id = 0;
    int Resource = -1;
    int Revision = 0;
    std::string Text;
};

struct TSource {
    std::map<std::string, TEntry> Constants;   // "Unit.Identifier"
    std::map<std::string, TEntry> Properties;  // "Form.Component.Property" (component may be empty)
    std::string Header;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TSource ReadSource(const std::string& code) {
    const std::string path = std::string(VLMRK_SOURCE_DIR) + "/resources/lang/Vlmrk." + code + ".txt";
    const std::string text = ReadFile(path);
    // The compiler's own parser must take it.
    locstore::TLocStorage store;
    EXPECT_NO_THROW(langdata::ParseLangSource(text, path, store)) << path;

    TSource source;
    static const std::regex unitLine(R"(^unit (\S+)$)"), formLine(R"(^form (\S+)$)"), componentLine(R"(^  component (\S+)$)"),
        constantLine(R"(^  constant (\S+) id (\d+) resource (\d+) revision (-?\d+) = \"(.*)\"$)"),
        propertyLine(R"(^ +property (\S+) id (\d+) kind \w+ revision (-?\d+) = \"(.*)\"$)");
    std::string unit, form, component;
    bool inHeader = false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::smatch m;
        if (line == "header") inHeader = true;
        if (inHeader) {
            source.Header += line + "\n";
            if (line == "end") inHeader = false;
            continue;
        }
        if (std::regex_match(line, m, unitLine)) {
            unit = m[1];
        } else if (std::regex_match(line, m, formLine)) {
            form = m[1];
            component.clear();
        } else if (std::regex_match(line, m, componentLine)) {
            component = m[1];
        } else if (line == "  end") {
            component.clear();
        } else if (std::regex_match(line, m, constantLine)) {
            source.Constants[unit + "." + m[1].str()] = {std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]), m[5]};
        } else if (std::regex_match(line, m, propertyLine)) {
            source.Properties[form + "." + component + "." + m[1].str()] = {std::stoi(m[2]), -1, std::stoi(m[3]), m[4]};
        }
    }
    return source;
}

// The format specifiers of a message, in order: a translation must keep them.
std::string Specifiers(const std::string& text) {
    static const std::regex placeholder(R"(%-?\d*[sdux%])");
    std::string out;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), placeholder); it != std::sregex_iterator(); ++it) out += it->str();
    return out;
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

// The translatable properties the windows carry, as the language files address them.
std::set<std::string> TranslatableProperties(const ui::TForm& form, const std::string& formName) {
    std::set<std::string> props;
    if (!form.GetText().empty()) props.insert(formName + "..Caption");
    for (int i = 0; i < form.ComponentCount(); ++i) {
        rtti::TComponent* c = form.Components(i);
        const std::string prefix = formName + "." + c->Name() + ".";
        if (dynamic_cast<ui::TMemo*>(c)) {
            props.insert(prefix + "Lines.Strings");
        } else if (auto* control = dynamic_cast<rtti::TControl*>(c)) {
            if (!control->GetText().empty() && !dynamic_cast<ui::TStatusBar*>(c)) props.insert(prefix + "Caption");
            if (!control->Hint().empty()) props.insert(prefix + "Hint");
        } else if (auto* item = dynamic_cast<ui::TMenuItem*>(c)) {
            // Items showing their action's caption are translated through the action.
            const bool own = !(item->Action() && item->Caption() == item->Action()->Caption());
            if (own && !item->IsLine()) props.insert(prefix + "Caption");
        } else if (auto* action = dynamic_cast<ui::TAction*>(c)) {
            props.insert(prefix + "Caption");
            if (!action->Hint().empty()) props.insert(prefix + "Hint");
        } else if (auto* dialog = dynamic_cast<ui::TOpenDialog*>(c)) {
            if (!dialog->Title.empty()) props.insert(prefix + "Title");
            if (!dialog->Filter.empty()) props.insert(prefix + "Filter");
        }
    }
    return props;
}

TEST_F(AppWindows, TheFourLanguageSourcesAreCompleteAndCurrent) {
    const TSource native = ReadSource("en");
    EXPECT_NE(native.Header.find("  options 0x0002\n"), std::string::npos);
    EXPECT_NE(native.Header.find("  native yes\n"), std::string::npos);

    // Every declared message, with its resource number and its English text.
    std::set<std::string> declared;
    for (const rtl::TResStringRec* rec : messages::AllMessages()) {
        const std::string key = std::string(rec->Unit) + "." + std::string(rec->Identifier);
        declared.insert(key);
        auto it = native.Constants.find(key);
        ASSERT_NE(it, native.Constants.end()) << key << " is missing from the English source";
        EXPECT_EQ(it->second.Resource, rec->Id) << key;
        EXPECT_EQ(it->second.Text, Escaped(rec->Text)) << key;
    }
    EXPECT_EQ(native.Constants.size(), declared.size());

    // Every translatable property of both windows, with its design-time text.
    std::set<std::string> properties = TranslatableProperties(*form, "Form1");
    const std::set<std::string> aboutProperties = TranslatableProperties(*about, "AboutBox");
    properties.insert(aboutProperties.begin(), aboutProperties.end());
    std::set<std::string> inSource;
    for (const auto& [key, entry] : native.Properties) inSource.insert(key);
    EXPECT_EQ(inSource, properties);
    EXPECT_EQ(native.Properties.at("Form1.lbl1.Caption").Text, "Encrypt");
    EXPECT_EQ(native.Properties.at("Form1.mmo1.Lines.Strings").Text, "Enter your text here\\r\\n");

    const struct {
        const char* Code;
        int Language;
        const char* NativeName;
    } translations[] = {{"es", 10, "espa\xC3\xB1ol"}, {"fr", 12, "fran\xC3\xA7" "ais"}, {"it", 16, "italiano"}};
    for (const auto& t : translations) {
        SCOPED_TRACE(t.Code);
        const TSource source = ReadSource(t.Code);
        EXPECT_NE(source.Header.find("  language " + std::to_string(t.Language) + "\n"), std::string::npos);
        EXPECT_NE(source.Header.find(std::string("  native-name \"") + t.NativeName + "\"\n"), std::string::npos);
        ASSERT_EQ(source.Constants.size(), native.Constants.size());
        for (const auto& [key, base] : native.Constants) {
            auto it = source.Constants.find(key);
            ASSERT_NE(it, source.Constants.end()) << key;
            EXPECT_EQ(it->second.Id, base.Id) << key;
            EXPECT_EQ(it->second.Resource, base.Resource) << key;
            EXPECT_EQ(it->second.Revision, base.Revision) << key << " is not current";
            EXPECT_FALSE(it->second.Text.empty()) << key;
            EXPECT_EQ(Specifiers(it->second.Text), Specifiers(base.Text)) << key;
        }
        ASSERT_EQ(source.Properties.size(), native.Properties.size());
        for (const auto& [key, base] : native.Properties) {
            auto it = source.Properties.find(key);
            ASSERT_NE(it, source.Properties.end()) << key;
            EXPECT_EQ(it->second.Id, base.Id) << key;
            EXPECT_EQ(it->second.Revision, base.Revision) << key << " is not current";
            EXPECT_FALSE(it->second.Text.empty()) << key;
        }
        // Texts that end the error box's message keep their ending, so the full-stop rule
        // treats them alike.
        EXPECT_EQ(source.Constants.at("PrjConst.SCannotEncryptLess1").Text.back(), '!');
        EXPECT_EQ(source.Constants.at("PrjConst.STooLongStringToE").Text.back(), ')');
    }
}

}  // namespace
