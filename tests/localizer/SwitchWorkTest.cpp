// What a switch leaves for later or keeps between switches: the settings write that follows the
// switch's turn of the event loop, and the pack languages decoded once.

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>

#include <gtest/gtest.h>

#include "langdata/LocLangFile.h"
#include "localizer/DeferredWrite.h"
#include "localizer/LocOnFly.h"
#include "localizer/PackCache.h"
#include "modres/LocUtils.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/Streams.h"
#include "platform/winres/WinRes.h"
#include "tests/localizer/LocalizerTestUtil.h"

namespace {

using namespace loctest;
using localizer::TDeferredWrite;
using localizer::TKLocalizerOnFly;
using localizer::TPackCache;

// ---- The deferred write on its own --------------------------------------------------------------

struct TLoop {
    std::vector<std::function<void()>> posted;
    TDeferredWrite::TPoster Poster() {
        return [this](std::function<void()> work) { posted.push_back(std::move(work)); };
    }
    void Turn() {
        auto work = std::move(posted);
        posted.clear();
        for (auto& w : work) w();
    }
};

TEST(DeferredWrite, OnePostTheLastValueWinsAndFlushOrDropEndIt) {
    TLoop loop;
    std::vector<int> written;
    TDeferredWrite write(nullptr);
    write.Schedule([&] { written.push_back(1); }, loop.Poster());
    write.Schedule([&] { written.push_back(2); }, loop.Poster());
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(loop.posted.size(), 1u);
    loop.Turn();
    EXPECT_EQ(written, (std::vector<int>{2}));
    EXPECT_FALSE(write.Pending());

    write.Schedule([&] { written.push_back(3); }, loop.Poster());
    write.Flush();  // a reader that needs the value now
    loop.Turn();    // the posted run finds nothing left
    write.Schedule([&] { written.push_back(4); }, loop.Poster());
    write.Drop();
    loop.Turn();
    EXPECT_EQ(written, (std::vector<int>{2, 3}));

    write.Schedule([&] { written.push_back(5); }, nullptr);  // no event loop: at once
    EXPECT_EQ(written, (std::vector<int>{2, 3, 5}));
}

TEST(DeferredWrite, ErrorsOfAPostedRunGoToTheSinkAndARunAfterTheOwnerIsGoneDoesNothing) {
    TLoop loop;
    std::vector<std::string> errors;
    int runs = 0;
    {
        TDeferredWrite write([&](const std::exception_ptr& e) {
            try {
                std::rethrow_exception(e);
            } catch (const std::exception& error) {
                errors.push_back(error.what());
            }
        });
        write.Schedule([] { throw std::runtime_error("disk full"); }, loop.Poster());
        loop.Turn();
        EXPECT_EQ(errors, (std::vector<std::string>{"disk full"}));
        EXPECT_FALSE(write.Pending());  // not tried again
        write.Schedule([&] { ++runs; }, loop.Poster());
    }
    loop.Turn();
    EXPECT_EQ(runs, 0);
}

// ---- The controller ---------------------------------------------------------------------------

class SwitchWorkTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        const char* config = std::getenv("XDG_CONFIG_HOME");
        savedConfig_ = config ? std::optional<std::string>(config) : std::nullopt;
        ::setenv("XDG_CONFIG_HOME", (dir_ + "/config").c_str(), 1);
        winres::ResetModulesForTests();
        ASSERT_TRUE(winres::SetAppImage(ProgramImage()));
        utils_ = std::make_unique<modres::TKLocUtils>();
        utils_->SetAppFileName(dir_ + "/Vlmrk");
        Start();
    }
    void TearDown() override {
        loc_.reset();
        utils_.reset();
        winres::ResetModulesForTests();
        winres::ResetAppImage();
        winres::SetAppFileName("");
        if (savedConfig_) ::setenv("XDG_CONFIG_HOME", savedConfig_->c_str(), 1);
        else ::unsetenv("XDG_CONFIG_HOME");
    }
    void Start() {
        loc_ = std::make_unique<TKLocalizerOnFly>();
        utils_->IgnoreCheckErrors = false;
        loc_->Host.MessageBox = [this](const rtl::AnsiString& caption, const rtl::AnsiString& text) {
            boxes_.push_back(caption + ": " + text);
        };
        loc_->Host.PostWork = loop_.Poster();
        loc_->Initialize("", "");
    }
    std::string Remembered() {
        registry::TRegistry reg;
        if (!reg.OpenKey("Software\\Veilmark\\Locales", false)) return "<none>";
        auto value = reg.TryReadString(dir_ + "/Vlmrk");
        return value ? *value : "<none>";
    }

    std::string dir_;
    std::optional<std::string> savedConfig_;
    std::unique_ptr<modres::TKLocUtils> utils_;
    std::unique_ptr<TKLocalizerOnFly> loc_;
    std::vector<std::string> boxes_;
    TLoop loop_;
};

TEST_F(SwitchWorkTest, TheChoiceIsWrittenAfterTheSwitchesTurnAndAtTheLatestWhenTheControllerGoes) {
    EXPECT_EQ(Remembered(), "EXE");  // the start writes at once
    EXPECT_TRUE(loop_.posted.empty());

    loc_->SwitchToLanguage(10);
    EXPECT_EQ(loc_->CurrentLanguageId, 10u);
    EXPECT_EQ(Remembered(), "EXE");
    EXPECT_TRUE(loc_->LanguageChoicePending());
    loop_.Turn();
    EXPECT_EQ(Remembered(), "ES");

    // Two switches in one turn: one write, of the language in force.
    loc_->SwitchToLanguage(9);
    loc_->SwitchToLanguage(10);
    loc_->SwitchToLanguage(9);
    EXPECT_EQ(loop_.posted.size(), 1u);
    loop_.Turn();
    EXPECT_EQ(Remembered(), "EXE");

    // A quit right after a switch: the posted run never comes, the controller writes as it goes.
    loc_->SwitchToLanguage(10);
    loc_.reset();
    EXPECT_EQ(Remembered(), "ES");
    loop_.Turn();  // the late run finds the controller gone
    EXPECT_EQ(Remembered(), "ES");
    ASSERT_TRUE(boxes_.empty()) << boxes_.front();
}

TEST_F(SwitchWorkTest, ABuiltModuleIsWholeAtOnceAndReachesTheDiskInTheSwitchesTurn) {
    const std::string module = dir_ + "/Vlmrk.ES";
    ASSERT_FALSE(std::filesystem::exists(module));
    loc_->SwitchToLanguage(10);
    // Installed and complete before the flush: the switch read it back.
    EXPECT_EQ(loc_->CurrentLanguageId, 10u);
    EXPECT_EQ(winres::GetModuleFileName(winres::FindResourceModule(winres::AppInstance())), module);
    EXPECT_TRUE(loc_->ModuleFlushPending());
    loop_.Turn();
    EXPECT_FALSE(loc_->ModuleFlushPending());

    // Reusing the module builds nothing, so there is nothing to flush.
    loc_->SwitchToLanguage(9);
    loc_->SwitchToLanguage(10);
    EXPECT_FALSE(loc_->ModuleFlushPending());
    loop_.Turn();

    // A module gone before its turn is no error; a quit right
    // after a build flushes as the controller goes.
    std::filesystem::remove(module);
    loc_->SwitchToLanguage(9);
    loc_->SwitchToLanguage(10);
    EXPECT_TRUE(loc_->ModuleFlushPending());
    std::filesystem::remove(module);
    loop_.Turn();
    loc_->SwitchToLanguage(9);
    loc_->SwitchToLanguage(10);
    EXPECT_TRUE(loc_->ModuleFlushPending());
    loc_.reset();
    loop_.Turn();
    EXPECT_TRUE(std::filesystem::exists(module));
    ASSERT_TRUE(boxes_.empty()) << boxes_.front();
}

TEST_F(SwitchWorkTest, AForgottenChoiceStaysForgottenAndAFailedWriteIsReported) {
    loc_->SwitchToLanguage(10);
    loc_->ForgetLanguageChoice();
    loop_.Turn();
    EXPECT_EQ(Remembered(), "<none>");

    // The settings folder cannot be made: the write that ran from the event loop says so in
    // the "Localizer Error" box.
    std::filesystem::remove_all(dir_ + "/config");
    { std::ofstream(dir_ + "/config") << "a file where the folder should be"; }
    loc_->SwitchToLanguage(9);
    EXPECT_TRUE(boxes_.empty());
    loop_.Turn();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].rfind("Localizer Error: ", 0), 0u) << boxes_[0];
    EXPECT_FALSE(loc_->LanguageChoicePending());
}

TEST_F(SwitchWorkTest, PackLanguagesAreDecodedOnceAndStillCatalogued) {
    rtl::TMemoryStream first;
    ASSERT_TRUE(loc_->ReadLanguagePack(winres::AppInstance(), 10, localizer::AddToCatalogue, &first));
    // A catalogue without the pack's languages gets them again from a cached read.
    loc_->Languages->Clear();
    rtl::TMemoryStream second;
    ASSERT_TRUE(loc_->ReadLanguagePack(winres::AppInstance(), 10, localizer::AddToCatalogue, &second));
    EXPECT_EQ(second.Position(), first.Position());
    EXPECT_EQ(first.TakeBytes(), second.TakeBytes());
    ASSERT_EQ(loc_->Languages->Count(), 2);
    EXPECT_EQ(loc_->Languages->ItemAt(0)->EnglishName, "English");
    EXPECT_TRUE(loc_->Languages->ItemAt(0)->IsNative);
    EXPECT_EQ(loc_->Languages->ItemAt(1)->EnglishName, "Spanish");

    // Another pack installed under the same module handle is another pack: nothing stale.
    std::string rebuilt = kSpanishSource;
    rebuilt.replace(rebuilt.find("build 4"), 7, "build 5");
    TImageOptions other;
    other.SpanishSource = rebuilt.c_str();
    ASSERT_TRUE(winres::SetAppImage(ProgramImage(other)));
    rtl::TMemoryStream third;
    ASSERT_TRUE(loc_->ReadLanguagePack(winres::AppInstance(), 10, localizer::AddToCatalogue, &third));
    langdata::TLangFile header;
    third.SetPosition(0);
    header.ReadHeader(third, false);
    EXPECT_EQ(header.Build(), 5u);
}

TEST(PackCache, KeysFollowTheBytesAndTheCacheStaysBounded) {
    std::vector<std::uint8_t> pack(1001, 7);
    const auto key = TPackCache::KeyOf(pack, 10);
    EXPECT_EQ(key, TPackCache::KeyOf(pack, 10));
    EXPECT_NE(key, TPackCache::KeyOf(pack, 12));
    pack[1000] = 8;  // the last byte, beyond the last whole word
    EXPECT_NE(key, TPackCache::KeyOf(pack, 10));
    pack[1000] = 7;
    for (std::size_t at : {3, 11, 19, 27, 990}) {  // a byte in each of the hash's word lanes
        pack[at] = 0;
        EXPECT_NE(key, TPackCache::KeyOf(pack, 10)) << at;
        pack[at] = 7;
    }
    EXPECT_EQ(key, TPackCache::KeyOf(pack, 10));

    TPackCache cache;
    for (std::uint32_t id = 1; id <= TPackCache::kMaxLanguages + 1; ++id)
        cache.Keep(TPackCache::KeyOf(pack, id), {{}, {static_cast<std::uint8_t>(id)}});
    EXPECT_EQ(cache.Count(), TPackCache::kMaxLanguages);
    EXPECT_EQ(cache.Find(TPackCache::KeyOf(pack, 1)), nullptr);  // the oldest went
    ASSERT_NE(cache.Find(TPackCache::KeyOf(pack, 2)), nullptr);
    EXPECT_EQ(cache.Find(TPackCache::KeyOf(pack, 2))->File, std::vector<std::uint8_t>{2});
    cache.Keep(TPackCache::KeyOf(pack, 2), {{}, std::vector<std::uint8_t>(TPackCache::kMaxFileSize + 1)});
    EXPECT_EQ(cache.Find(TPackCache::KeyOf(pack, 2))->File, std::vector<std::uint8_t>{2});  // too large: not kept
}

}  // namespace
