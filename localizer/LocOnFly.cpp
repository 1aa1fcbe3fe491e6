#include "localizer/LocOnFly.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "langdata/LocLangFile.h"
#include "locstore/KLocales.h"
#include "modres/LocUtils.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtti/Controls.h"
#include "platform/nls/CodePages.h"
#include "platform/winres/FileSearch.h"
#include "localizer/ProgramFiles.h"

namespace localizer {

using detail::AppDir;
using detail::ExeName;

using locstore::TLocComponent;
using locstore::TLocForm;
using locstore::TLocStorage;
using locstore::TLocValue;
using rtti::TPersistent;

namespace {

TKLocalizerOnFly*& Instance() {
    static TKLocalizerOnFly* instance = nullptr;
    return instance;
}

void WriteChoice(const AnsiString& key, const AnsiString& name, const AnsiString& value) {
    registry::TRegistry reg;
    reg.OpenKey(key, true);
    reg.WriteString(name, value);
}

// What a stream holds from its start to its position (what was just written into it).
std::vector<std::uint8_t> WrittenBytes(rtl::TStream& stream) {
    const std::int64_t end = stream.Position();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(end));
    stream.SetPosition(0);
    stream.ReadBuffer(bytes.data(), end);
    stream.SetPosition(end);
    return bytes;
}

// Anything at the path, a directory included: a module path that is taken by something we cannot
// remove must stop the switch.
bool PathExists(const AnsiString& path) {
    struct stat st{};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

bool IsNativeCode(const AnsiString& code) {
    return code.empty() || rtl::SameText(code, "exe") || rtl::SameText(code, "ntv");
}

bool IsSafeCode(const AnsiString& code) {
    return code.find('/') == AnsiString::npos && code.find('\\') == AnsiString::npos &&
           code.find("..") == AnsiString::npos && code.find('\0') == AnsiString::npos;
}

// ---- The menu items' click handler --------------------------------------------------------------

class TKLocalizerOnFly::TMenuSink : public rtti::TPersistent {
public:
    explicit TMenuSink(TKLocalizerOnFly* owner) : owner_(owner) {}
    static const rtti::TMethodInfo& ClickInfo() {
        static const rtti::TMethodInfo info{"LanguageItemClick", [](TPersistent& self, rtl::TObject* sender) {
                                                static_cast<TMenuSink&>(self).owner_->LanguageItemClick(sender);
                                            }};
        return info;
    }

private:
    TKLocalizerOnFly* owner_;
};

// ---- Construction -------------------------------------------------------------------------------

TKLocalizerOnFly::TKLocalizerOnFly()
    : Store(std::make_unique<TLocStorage>()),
      Languages(std::make_unique<TLFInfoList>()),
      menuSink_(std::make_unique<TMenuSink>(this)),
      choiceWrite_(std::make_unique<TDeferredWrite>([this](const std::exception_ptr& error) { ReportLoopError(error); })),
      moduleFlush_(std::make_unique<TDeferredWrite>([this](const std::exception_ptr& error) { ReportLoopError(error); })) {
    if (!Instance()) Instance() = this;
    modres::LocUtils().OnFlyMode = true;
}

TKLocalizerOnFly::~TKLocalizerOnFly() {
    // A quit right after a switch still remembers it, and has its module on the disk.
    for (TDeferredWrite* write : {choiceWrite_.get(), moduleFlush_.get()}) {
        try {
            write->Flush();
        } catch (...) {
            ReportLoopError(std::current_exception());
        }
    }
    ShuttingDown = true;
    Languages.reset();
    Store.reset();
    if (Instance() == this) Instance() = nullptr;
}

TKLocalizerOnFly& Localizer() {
    if (!Instance()) throw ELocOnFlyError(ELocOnFlyError::CreateRes, SLocNotInitialized);
    return *Instance();
}

bool LocalizerExists() { return Instance() != nullptr; }

// ---- Virtual slots --------------------------------------------------------------------------------

void TKLocalizerOnFly::DoSwitchStarting() {
    if (!Starting && OnSwitchStarting) OnSwitchStarting();
}

void TKLocalizerOnFly::DoSwitchDone(int catalogueIndex) {
    if (catalogueIndex != -1 && !Starting && OnSwitchDone) OnSwitchDone(catalogueIndex);
}

bool TKLocalizerOnFly::TranslateCustomObject(TPersistent* target, const AnsiString& path, TLocValue* value) {
    return OnTranslateCustomObject ? OnTranslateCustomObject(target, path, value) : false;
}

TPersistent* TKLocalizerOnFly::FindCustomItem(TPersistent* target, const AnsiString& name, int index) {
    return OnFindCustomItem ? OnFindCustomItem(target, name, index) : nullptr;
}

// ---- Errors ---------------------------------------------------------------------------------------

template <class F>
void TKLocalizerOnFly::Guarded(F&& body) {
    try {
        body();
    } catch (const rtl::Exception& error) {
        if (ErrorReaction == 0) throw;
        ReportError(error);
    }
}

void TKLocalizerOnFly::ReportError(const rtl::Exception& error) {
    if (ErrorReaction != 1) return;
    if (Host.MessageBox) Host.MessageBox(kLocalizerErrorCaption, error.Message());
}

void TKLocalizerOnFly::CheckReady() const {
    if (!Ready) throw ELocOnFlyError(ELocOnFlyError::CreateRes, SLocNotInitialized);
}

// ---- Start-up -------------------------------------------------------------------------------------

void TKLocalizerOnFly::Initialize(const AnsiString& registryKey, const AnsiString& languageFolder) {
    struct TStartingOff {
        bool& flag;
        ~TStartingOff() { flag = false; }
    } startingOff{Starting};
    Guarded([&] {
        if (registryKey.empty()) {
            RegistryKey = "Software\\Veilmark\\";
            RegistrySection = "Locales";
            RegistryValueName = modres::LocUtils().AppFileName;
        } else {
            RegistryKey = registryKey;
            RegistrySection.clear();
            RegistryValueName = "LocalizerExt";
        }
        Starting = true;
        SetLanguageFolder(languageFolder.empty() ? rtl::ExcludeTrailingPathDelimiter(AppDir()) : languageFolder);
        LoadNativeLanguage();
        const AnsiString remembered = ReadLanguageChoice();
        try {
            modres::LocUtils().CheckResourceModule();
        } catch (const modres::ELUOutOfVersion&) {
        }
        CurrentLanguageId = modres::LocUtils().CurrentLibInfo().LanguageId;
        StoreLanguageIndex = EnsureLanguageLoaded(CurrentLanguageId);
        Ready = true;
        try {
            ChangeToCode(remembered);
        } catch (const rtl::Exception&) {
            // The remembered language cannot be had: start in the program's own resources and
            // forget the choice, so the next start is clean. The guard shows the one error.
            UseProgramResources();
            ForgetLanguageChoice();
            throw;
        }
    });
}

void TKLocalizerOnFly::UseProgramResources() {
    auto& utils = modres::LocUtils();
    utils.RestoreAllModules();
    CurrentLanguageId = utils.CurrentLibInfo().LanguageId;
    const int index = Store->IndexOfLanguage(static_cast<std::uint16_t>(CurrentLanguageId));
    StoreLanguageIndex = index < 0 ? 0 : index;
    Store->SetActiveLanguageIndex(StoreLanguageIndex);
    if (ApplyCharset && Host.ScreenFonts)
        for (rtti::TFont* font : Host.ScreenFonts())
            if (font) font->SetCharset(locstore::CharsetOfLanguage(CurrentLanguageId));
}

void TKLocalizerOnFly::ForgetLanguageChoice() {
    choiceWrite_->Drop();
    if (RegistryKey.empty()) return;
    registry::TRegistry reg;
    if (reg.OpenKey(ChoiceKey(), false)) reg.DeleteValue(RegistryValueName);
}

void TKLocalizerOnFly::SetLanguageFolder(const AnsiString& path) {
    Guarded([&] { Languages->SetFolder(path); });
}

std::uint32_t TKLocalizerOnFly::NativeLanguageId() const {
    int index = Languages->NativeIndex();
    return index < 0 ? 0 : Languages->ItemAt(index)->LanguageId;
}

bool TKLocalizerOnFly::ReadLanguagePack(winres::HMODULE module, std::uint32_t languageId, unsigned options,
                                        rtl::TStream* dest) {
    auto bytes = winres::ResourceBytes(module, modres::kLangPackName, winres::RT_RCDATA);
    if (bytes.empty()) return false;
    std::vector<langdata::TLangPackEntry> directory;
    auto catalogue = [&] {
        if (!(options & AddToCatalogue)) return;
        for (const auto& entry : directory) {
            if (Languages->IndexOfLanguage(entry.LanguageId) != -1) continue;
            auto info = std::make_unique<TLFInfo>();
            info->LanguageId = entry.LanguageId;
            info->EnglishName = entry.EnglishName;
            info->NativeName = entry.NativeName;
            info->IsNative = entry.IsFirst;
            Languages->AddSorted(std::move(info));
        }
    };
    // A language decoded by an earlier switch is copied from the cache, cataloguing the
    // directory that was read with it.
    const bool wantsFile = dest && !(options & HeaderOnly);
    const TPackCache::TKey key = wantsFile ? TPackCache::KeyOf(bytes, languageId) : TPackCache::TKey{};
    if (const TDecodedPackLanguage* kept = wantsFile ? packCache_.Find(key) : nullptr) {
        directory = kept->Directory;
        catalogue();
        dest->SetPosition(0);
        dest->WriteBuffer(kept->File.data(), static_cast<std::int64_t>(kept->File.size()));
        return true;
    }
    bool result = false;
    try {
        result = langdata::ReadLanguagePack(bytes, languageId, options, dest, &directory);
    } catch (const langdata::ELangPackError& error) {
        catalogue();
        throw ELocOnFlyError(error.Message()).WithCode(error.Code());
    }
    catalogue();
    if (result && wantsFile) packCache_.Keep(key, {directory, WrittenBytes(*dest)});
    return result;
}

void TKLocalizerOnFly::ForgetDecodedPackLanguages() { packCache_.Clear(); }

bool TKLocalizerOnFly::LoadPackLanguage(winres::HMODULE module, std::uint32_t languageId, unsigned options,
                                        TLocStorage* store, langdata::TLangFile& langFile) {
    rtl::TMemoryStream stream;
    if (!ReadLanguagePack(module, languageId, options, &stream)) return false;
    stream.SetPosition(0);
    if (languageId == 0) {
        langFile.LoadFromStream(stream, store, 0, -1);
        return true;
    }
    LoadIntoNewLanguage(*store, languageId, [&](int index) { langFile.LoadFromStream(stream, store, 0, index); });
    return true;
}

bool TKLocalizerOnFly::LoadFromPack(std::uint32_t languageId, bool headerOnly) {
    langdata::TLangFile file;
    unsigned options = AddToCatalogue | (headerOnly ? HeaderOnly : 0u);
    bool loaded = LoadPackLanguage(modres::LocUtils().AppInstance, languageId, options, Store.get(), file);
    if (loaded) {
        if (languageId == 0) {
            ApplyCharset = true;
            ApplyBiDiMode = file.HasOption(langdata::lfoBiDiMode);
        }
        UseOutdatedTranslations = file.HasOption(langdata::lfoUseOutdated);
    }
    return loaded;
}

void TKLocalizerOnFly::LoadNativeLanguage() {
    const AnsiString nativeName = winres::CompanionFileName(ExeName(), "ntv.lng");
    auto found = winres::FindLanguageFile(LanguageFolder(), nativeName);
    bool loaded = false;
    if (found) {
        langdata::TLangFile file(*found, true);
        file.LoadFromFile(Store.get(), -1, 0);
        ApplyCharset = true;
        ApplyBiDiMode = file.HasOption(langdata::lfoBiDiMode);
        loaded = true;
    }
    bool fromPack = LoadFromPack(0, loaded);
    if (!loaded && !fromPack)
        throw ELocOnFlyError(ELocOnFlyError::CreateResFmt, SLocLangFileNotFound,
                             {rtl::IncludeTrailingPathDelimiter(LanguageFolder()) + nativeName});
}

int TKLocalizerOnFly::EnsureLanguageLoaded(std::uint32_t languageId) {
    int index = Store->IndexOfLanguage(static_cast<std::uint16_t>(languageId));
    if (index >= 0) return index;
    AnsiString fileName = LanguageFileOfCode(locstore::LanguageAbbreviation(languageId));
    if (!fileName.empty()) {
        langdata::TLangFile file(fileName, true);
        const int added = LoadLanguageFile(file, languageId);
        UseOutdatedTranslations = file.HasOption(langdata::lfoUseOutdated);
        return added;
    }
    LoadFromPack(languageId, false);
    return Store->IndexOfLanguage(static_cast<std::uint16_t>(languageId));
}

template <class F>
int TKLocalizerOnFly::LoadIntoNewLanguage(TLocStorage& store, std::uint32_t languageId, F&& load) {
    const int index = store.AddLanguage(0, static_cast<std::uint16_t>(languageId));
    try {
        load(index);
    } catch (...) {
        // A language that did not load leaves no slot behind: a later switch would find it and
        // build a module of empty texts.
        store.RemoveLastLanguage();
        throw;
    }
    return index;
}

int TKLocalizerOnFly::LoadLanguageFile(langdata::TLangFile& file, std::uint32_t languageId) {
    try {
        return LoadIntoNewLanguage(*Store, languageId, [&](int index) { file.LoadFromFile(Store.get(), index, 0); });
    } catch (const rtl::Exception& error) {
        if (file.FileName().empty()) throw;
        throw ELocOnFlyError(ELocOnFlyError::CreateResFmt, SLocLangFileDamaged, {file.FileName(), error.Message()})
            .WithCode(error.Code());
    }
}

AnsiString TKLocalizerOnFly::ChoiceKey() const {
    return RegistrySection.empty() ? RegistryKey : RegistryKey + "\\" + RegistrySection;
}

AnsiString TKLocalizerOnFly::ReadLanguageChoice() const {
    if (RegistryKey.empty()) return {};
    registry::TRegistry reg;
    if (!reg.OpenKey(ChoiceKey(), false)) return {};
    return reg.ReadString(RegistryValueName);
}

AnsiString TKLocalizerOnFly::ChoiceValue() const {
    return CurrentLanguageId == NativeLanguageId() ? AnsiString("EXE")
                                                   : locstore::LanguageAbbreviation(CurrentLanguageId);
}

void TKLocalizerOnFly::SaveLanguageChoice() {
    if (RegistryKey.empty()) return;
    // An older waiting write must not land after this one.
    choiceWrite_->Drop();
    WriteChoice(ChoiceKey(), RegistryValueName, ChoiceValue());
}

void TKLocalizerOnFly::RememberLanguageChoice() {
    if (RegistryKey.empty()) return;
    if (Starting || !Host.PostWork) {
        SaveLanguageChoice();
        return;
    }
    // The key and name are taken now: the write belongs to this switch.
    choiceWrite_->Schedule(
        [key = ChoiceKey(), name = RegistryValueName, value = ChoiceValue()] { WriteChoice(key, name, value); },
        Host.PostWork);
}

void TKLocalizerOnFly::FlushLanguageChoice() { choiceWrite_->Flush(); }

void TKLocalizerOnFly::FlushModuleLater(const AnsiString& moduleFile) {
    unflushedModules_.push_back(moduleFile);
    moduleFlush_->Schedule(
        [this] {
            for (const AnsiString& file : std::exchange(unflushedModules_, {})) rtl::FlushFileToDisk(file);
        },
        Host.PostWork);
}

void TKLocalizerOnFly::FlushBuiltModules() { moduleFlush_->Flush(); }

void TKLocalizerOnFly::ReportLoopError(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const rtl::Exception& e) {
        ReportError(e);
    } catch (...) {
    }
}

// ---- File names -----------------------------------------------------------------------------------

AnsiString TKLocalizerOnFly::LanguageFilePath(const AnsiString& code) const {
    return rtl::IncludeTrailingPathDelimiter(LanguageFolder()) + winres::CompanionFileName(ExeName(), code + ".lng");
}

AnsiString TKLocalizerOnFly::LanguageFileOfCode(const AnsiString& code) const {
    if (code.empty() || !IsSafeCode(code)) return {};
    auto found = winres::FindLanguageFile(LanguageFolder(), winres::CompanionFileName(ExeName(), code + ".lng"));
    return found ? *found : AnsiString();
}

AnsiString TKLocalizerOnFly::ModuleFileOf(std::uint32_t languageId) const {
    AnsiString code = locstore::LanguageAbbreviation(languageId);
    if (code.empty() || !IsSafeCode(code)) return {};
    return winres::ModuleFolder() + winres::CompanionFileName(ExeName(), code);
}

AnsiString TKLocalizerOnFly::NativeModuleFile() const {
    auto found = winres::FindFileNoCase(LanguageFolder(), winres::CompanionFileName(ExeName(), "ntv"));
    return found ? *found : AnsiString();
}

// ---- Menu and switching ---------------------------------------------------------------------------

void TKLocalizerOnFly::FillLanguageMenu(rtti::TComponent* parentItem, std::uint8_t groupIndex, bool includeNative) {
    Guarded([&] {
        CheckReady();
        if (!parentItem) return;
        const rtti::TClassInfo* itemClass = parentItem->ClassType();
        rtti::TComponent* owner = parentItem->Owner() ? parentItem->Owner() : parentItem;
        const int native = Languages->NativeIndex();
        for (int i = 0; i < Languages->Count(); ++i) {
            if (!includeNative && i == native) continue;
            TLFInfo* info = Languages->ItemAt(i);
            std::unique_ptr<TPersistent> made = itemClass->Create();
            auto* item = dynamic_cast<rtti::TComponent*>(made.get());
            if (!item) return;
            made.release();
            owner->InsertComponent(std::unique_ptr<rtti::TComponent>(item));
            AnsiString caption = info->EnglishName.empty() ? locstore::EnglishLanguageName(info->LanguageId)
                                                           : info->EnglishName;
            rtti::SetStrProp(*item, "Caption", caption);
            rtti::SetOrdProp(*item, "GroupIndex", groupIndex);
            rtti::SetOrdProp(*item, "RadioItem", 1);
            item->SetTag(i);
            rtti::SetMethodProp(*item, "OnClick", rtti::TMethod{menuSink_.get(), &TMenuSink::ClickInfo()});
            item->SetParentComponent(parentItem);
            if (info->LanguageId == CurrentLanguageId) rtti::SetOrdProp(*item, "Checked", 1);
        }
    });
}

void TKLocalizerOnFly::LanguageItemClick(rtl::TObject* sender) {
    auto* item = dynamic_cast<rtti::TComponent*>(sender);
    if (!item) return;
    if (rtti::GetOrdProp(*item, "Checked") != 0) return;
    Guarded([&] {
        CheckReady();
        const int index = item->Tag();
        if (index == Languages->NativeIndex())
            SwitchToCode("ntv");
        else
            SwitchToLanguage(Languages->ItemAt(index)->LanguageId);
    });
    // The check mark goes to the language in force, which after a failed switch is not the
    // clicked one.
    rtti::TComponent* parent = item->GetParentComponent();
    std::vector<rtti::TComponent*> siblings;
    if (parent)
        parent->GetChildren([&](rtti::TComponent* child) { siblings.push_back(child); }, item->Owner());
    else
        siblings.push_back(item);
    for (rtti::TComponent* child : siblings) {
        if (rtti::GetMethodProp(*child, "OnClick").Code != &TMenuSink::ClickInfo()) continue;
        const int tag = child->Tag();
        const bool current = Languages && tag >= 0 && tag < Languages->Count() &&
                             Languages->ItemAt(tag)->LanguageId == CurrentLanguageId;
        if (current) rtti::SetOrdProp(*child, "Checked", 1);
    }
}

void TKLocalizerOnFly::SwitchToCode(const AnsiString& code) {
    Guarded([&] {
        CheckReady();
        ChangeToCode(code);
    });
}

void TKLocalizerOnFly::ChangeToCode(const AnsiString& code) {
    if (IsNativeCode(code))
        ChangeLanguage(NativeLanguageId(), "ntv");
    else
        ChangeLanguage(IsSafeCode(code) ? locstore::LanguageFromAbbreviation(code) : 0, code);
}

void TKLocalizerOnFly::SwitchToLanguage(std::uint32_t languageId) {
    Guarded([&] {
        CheckReady();
        AnsiString code = languageId == NativeLanguageId() && Languages->IndexOfLanguage(languageId, false) == -1
                              ? AnsiString("ntv")
                              : locstore::LanguageAbbreviation(languageId);
        ChangeLanguage(languageId, code);
    });
}

void TKLocalizerOnFly::ChangeLanguage(std::uint32_t languageId, AnsiString code) {
    DoSwitchStarting();
    for (;;) {
        AnsiString file = LanguageFileOfCode(code);
        if (!file.empty()) {
            SwitchToLanguageFile(file);
            break;
        }
        if (languageId != 0 && Languages->IsPackOnly(languageId)) {
            SwitchToPackLanguage(languageId);
            break;
        }
        if (languageId == NativeLanguageId() && code != "ntv") {
            code = "ntv";
            continue;
        }
        throw ELocOnFlyError(ELocOnFlyError::CreateResFmt, SLocLanguageNotFound,
                             {languageId != 0 ? locstore::EnglishLanguageName(languageId) : code});
    }
    DoSwitchDone(Languages->IndexOfLanguage(languageId));
}

void TKLocalizerOnFly::SwitchToLanguageFile(const AnsiString& fileName) {
    CheckReady();
    if (!rtl::FileExists(fileName))
        throw ELocOnFlyError(ELocOnFlyError::CreateResFmt, SLocLangFileNotFound, {fileName});
    langdata::TLangFile file(fileName, true);
    ApplyLanguage(file);
}

void TKLocalizerOnFly::SwitchToPackLanguage(std::uint32_t languageId) {
    langdata::TLangFile file;
    file.SetLanguageId(languageId);
    bool loaded = false;
    if (Store->IndexOfLanguage(static_cast<std::uint16_t>(languageId)) >= 0) {
        // Already in the store: only the header is needed (version and build for the reuse
        // check); loading the block again would only add an unused copy on every switch.
        rtl::TMemoryStream stream;
        loaded = ReadLanguagePack(modres::LocUtils().AppInstance, languageId, AddToCatalogue, &stream);
        if (loaded) file.ReadHeader(stream, false);
    } else {
        loaded = LoadPackLanguage(modres::LocUtils().AppInstance, languageId, AddToCatalogue, Store.get(), file);
    }
    if (!loaded)
        throw ELocOnFlyError(ELocOnFlyError::CreateFmt, kCanNotLoadLanguage,
                             {locstore::EnglishLanguageName(languageId)});
    ApplyLanguage(file);
}

bool TKLocalizerOnFly::InstalledModuleMatchesProgram() const {
    auto& utils = modres::LocUtils();
    const winres::HMODULE installed = winres::FindResourceModule(utils.AppInstance);
    if (installed == utils.AppInstance) return true;
    auto mine = utils.ModuleFingerprint(utils.AppInstance, false);
    auto theirs = utils.ModuleFingerprint(installed, true);
    // Records without a fingerprint (older builds) are judged by version and build alone.
    if (!mine || !theirs || *mine == 0 || *theirs == 0) return true;
    return *mine == *theirs;
}

namespace {

// The host's window-update bracket: ended by End() on success, by the destructor (errors of
// its own dropped, the first one stands) when the translation failed.
class TWindowUpdate {
public:
    explicit TWindowUpdate(const TLocalizerHost& host) : host_(host) {
        if (host_.BeginWindowUpdate) host_.BeginWindowUpdate();
        open_ = static_cast<bool>(host_.EndWindowUpdate);
    }
    ~TWindowUpdate() {
        if (!open_) return;
        try {
            host_.EndWindowUpdate();
        } catch (...) {
        }
    }
    void End() {
        if (!std::exchange(open_, false)) return;
        host_.EndWindowUpdate();
    }
    TWindowUpdate(const TWindowUpdate&) = delete;
    TWindowUpdate& operator=(const TWindowUpdate&) = delete;

private:
    const TLocalizerHost& host_;
    bool open_ = false;
};

}  // namespace

void TKLocalizerOnFly::ApplyLanguage(langdata::TLangFile& langFile) {
    auto& utils = modres::LocUtils();
    auto info = [&utils]() -> modres::TDLLInfoItem& { return utils.CurrentLibInfo(); };
    const std::uint32_t L = langFile.LanguageId();
    bool inSync = false;
    const bool isNative = L == NativeLanguageId();
    const AnsiString moduleFile = isNative ? AnsiString() : ModuleFileOf(L);
    if (!isNative && moduleFile.empty())
        throw ELocOnFlyError(ELocOnFlyError::CreateResFmt, SLocLanguageNotFound, {locstore::EnglishLanguageName(L)});

    // Reuse the module on disk when there is one.
    if (!moduleFile.empty() && info().LanguageId != L && rtl::FileExists(moduleFile)) {
        try {
            utils.SwitchResourceLibrary(moduleFile);
            CurrentLanguageId = info().LanguageId;
            StoreLanguageIndex = EnsureLanguageLoaded(CurrentLanguageId);
        } catch (const std::exception&) {
            // Rebuilt below.
        }
    }

    // A module counts only when it was made from this language file's version and build, and
    // from this build's native resources (another build's forms could differ).
    if (info().LanguageId == L) {
        if (info().Version == langFile.Version() && info().Build == langFile.Build() && InstalledModuleMatchesProgram())
            inSync = true;
        else
            utils.RestoreAllModules();
    }

    if (!(inSync && Starting)) {
        const int index = Store->IndexOfLanguage(static_cast<std::uint16_t>(L));
        StoreLanguageIndex = index != -1 ? index : LoadLanguageFile(langFile, L);
    }

    if (!inSync) {
        if (isNative) {
            utils.RestoreAllModules();
        } else {
            if (!rtl::DeleteFile(moduleFile) && PathExists(moduleFile))
                throw ELocOnFlyError(ELocOnFlyError::CreateResFmt, SLocCanNotDeleteFile, {moduleFile});
            if (PathExists(moduleFile))
                throw ELocOnFlyError(ELocOnFlyError::CreateResFmt, SLocCanNotDeleteFile, {moduleFile});
            langFile.SetLanguageIndex(StoreLanguageIndex);
            // Looked for only when a module is built: it costs a scan of the language folder.
            const AnsiString nativeModule = NativeModuleFile();
            // At the start there is no window to show first: the module is flushed at once.
            const bool flushNow = Starting || !Host.PostWork;
            if (!nativeModule.empty()) {
                langFile.BuildLanguageModule(std::nullopt, moduleFile, Store.get(), nativeModule, flushNow);
            } else {
                utils.RestoreAllModules();
                langFile.BuildLanguageModule(winres::HMODULE{0}, moduleFile, Store.get(), AnsiString(), flushNow);
            }
            if (!flushNow) FlushModuleLater(moduleFile);
            utils.SwitchResourceLibrary(moduleFile);
            // The version check may refuse the module (a native module of another version) and
            // leave the program's own resources installed: that is no success.
            if (winres::FindResourceModule(utils.AppInstance) == utils.AppInstance || info().LanguageId != L)
                throw ELocOnFlyError(ELocOnFlyError::CreateResFmt, SLocModuleRefused, {moduleFile});
        }
    }

    if (ShuttingDown) return;

    Store->SetActiveLanguageIndex(StoreLanguageIndex);
    CurrentLanguageId = info().LanguageId;

    {
        TWindowUpdate update(Host);
        if (ApplyCharset) {
            const int charset = locstore::CharsetOfLanguage(CurrentLanguageId);
            if (Host.ScreenFonts)
                for (rtti::TFont* font : Host.ScreenFonts())
                    if (font) font->SetCharset(charset);
        }

        TranslateForms(Store.get());
        TranslateDataModules(Store.get());
        update.End();
    }

    RememberLanguageChoice();
}

}  // namespace localizer
