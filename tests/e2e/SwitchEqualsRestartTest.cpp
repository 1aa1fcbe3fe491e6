// A live switch equals a restart: started in one language (so the windows come from that
// language's module), switched live to another, both windows must look exactly as they do after
// a restart in the other language: every text as the user sees it, every font's character set,
// the reading order and alignment, and the labels' geometry. The About box is compared both when
// it was never shown before the switch and when it was.

#include <map>
#include <sstream>

#include <QAction>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTextOption>

#include <gtest/gtest.h>

#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "tests/e2e/ProgramFixture.h"

namespace {

using namespace e2e;

const std::vector<std::string> kLanguages = {"English", "Spanish", "French", "Italian", "German", "Russian", "Hebrew"};

std::string Utf8(const QString& text) { return text.toStdString(); }

// What a user (or a screen reader) can tell of one component.
std::string Describe(rtti::TComponent* component) {
    std::ostringstream out;
    if (auto* item = dynamic_cast<ui::TMenuItem*>(component)) {
        if (QAction* action = item->QtAction()) out << " text=" << Utf8(action->text()) << " checked=" << action->isChecked();
        return out.str();
    }
    auto* control = dynamic_cast<rtti::TControl*>(component);
    if (!control) return {};
    out << " charset=" << int(control->Font()->Charset()) << " bidi=" << static_cast<int>(control->BiDiMode());
    if (QWidget* widget = ui::WidgetOf(control)) {
        out << " dir=" << int(widget->layoutDirection()) << " tip=" << Utf8(widget->toolTip());
        if (widget->isWindow()) out << " title=" << Utf8(widget->windowTitle());
    }
    if (auto* label = dynamic_cast<ui::TLabel*>(component)) {
        out << " text=" << Utf8(label->ShownText()) << " align=" << int(label->ShownAlignment()) << " bounds=" << label->Left()
            << "," << label->Top() << "," << label->Width() << "," << label->Height();
    } else if (auto* memo = dynamic_cast<ui::TMemo*>(component)) {
        const QTextOption option = memo->Editor()->document()->defaultTextOption();
        out << " text=" << Utf8(memo->Editor()->toPlainText()) << " align=" << int(option.alignment())
            << " textdir=" << int(option.textDirection());
    } else if (auto* status = dynamic_cast<ui::TStatusBar*>(component)) {
        out << " text=" << Utf8(status->ShownText()) << " align=" << int(status->ShownAlignment());
    } else if (auto* panel = dynamic_cast<ui::TPanel*>(component)) {
        out << " text=" << Utf8(ui::DecodeForCharset(panel->GetText(), panel->Font()->Charset()));
    }
    return out.str();
}

void DescribeTree(rtti::TComponent* component, const std::string& path, std::map<std::string, std::string>& state) {
    state[path] = Describe(component);
    for (int i = 0; i < component->ComponentCount(); ++i) {
        rtti::TComponent* child = component->Components(i);
        DescribeTree(child, path + "." + (child->Name().empty() ? "#" + std::to_string(i) : child->Name()), state);
    }
}

class SwitchEqualsRestart : public Program {
protected:
    void SetUp() override {
        Program::SetUp();
        if (IsSkipped()) return;
        for (const char* code : {"DE", "RU", "HE"})
            if (!CopyExample(code)) GTEST_SKIP() << "example languages not built";
    }

    std::map<std::string, std::string> State() {
        Settle();
        std::map<std::string, std::string> state;
        DescribeTree(form, "Form1", state);
        DescribeTree(about, "AboutBox", state);
        // What a message fetched now reads.
        state["message"] = Utf8(ui::DecodeInterface(rtl::LoadResString(codec::SReady)));
        return state;
    }

    // Starts afresh in the language (the module is built on the way if need be).
    void StartIn(const std::string& language) {
        Restart();
        if (Checked() != language) {
            Choose(language);
            Restart();
        }
        ASSERT_EQ(Checked(), language);
    }

    void ShowAbout() {
        Script().WhileModal = [](QWidget*) { Settle(); };
        ui::Dispatch([this] { form->actAboutExecute(form); });
        Script().WhileModal = nullptr;
    }

    void ExpectSame(const std::map<std::string, std::string>& restarted, const std::map<std::string, std::string>& live,
                    const std::string& what) {
        for (const auto& [path, description] : restarted) {
            auto found = live.find(path);
            if (found == live.end()) {
                ADD_FAILURE() << what << ": " << path << " exists only after a restart";
                continue;
            }
            EXPECT_EQ(found->second, description) << what << ": " << path << " (live, then restarted)";
        }
        for (const auto& [path, description] : live)
            if (!restarted.count(path)) ADD_FAILURE() << what << ": " << path << " exists only after the live switch";
    }
};

TEST_F(SwitchEqualsRestart, EveryLanguageFromEveryLanguage) {
    Start();
    std::map<std::string, std::map<std::string, std::string>> restarted;
    for (const std::string& language : kLanguages) {
        StartIn(language);
        ASSERT_TRUE(Script().Boxes.empty()) << Utf8(Script().Boxes.front().Text);
        restarted[language] = State();
    }
    for (const std::string& from : kLanguages) {
        for (bool aboutShown : {false, true}) {
            for (const std::string& to : kLanguages) {
                if (to == from) continue;
                StartIn(from);
                if (aboutShown) ShowAbout();
                Choose(to);
                ASSERT_TRUE(Script().Boxes.empty()) << Utf8(Script().Boxes.front().Text);
                if (aboutShown) ShowAbout();
                ExpectSame(restarted[to], State(),
                           from + " -> " + to + (aboutShown ? " (About box shown before)" : " (About box never shown)"));
                if (HasFailure()) return;  // one switch's differences say enough
            }
        }
    }
}

}  // namespace
