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

namespace localizer {

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

// Anything at the path, a directory included: a module path that is taken by something we cannot
// remove must stop the switch.
bool PathExists(const AnsiString& path) {
    struct stat st{};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

AnsiString ExeName() { return rtl::ExtractFileName(modres::LocUtils().AppFileName); }

AnsiString AppDir() { return rtl::ExtractFilePath(rtl::ExpandFileName(modres::LocUtils().AppFileName)); }

// "Name" of a class "TName": the store's form entries are named so.
AnsiString EntryNameOf(std::string_view className) {
    if (className.empty()) return {};
    return AnsiString(className.substr(1, 128));
}

locstore::TLocForm* FindFormEntry(TLocStorage* store, const AnsiString& name) {
    if (!store || name.empty()) return nullptr;
    int index = store->Forms().IndexOf(name);
    return index < 0 ? nullptr : store->Forms().ItemAt(index);
}

bool ParseIndex(const AnsiString& text, int& index) {
    std::int32_t value = 0;
    if (!rtl::TryStrToInt(rtl::Trim(text), value) || value < 0) return false;
    index = value;
    return true;
}

// "Name[12]..." at the front of text: the name, the index and what follows the "]" after one
// more character. False when the text does not start so or the index is no number or negative.
bool TakeIndexedPart(const AnsiString& text, AnsiString& name, int& index, AnsiString& rest) {
    auto open = text.find('[');
    if (open == AnsiString::npos) return false;
    auto close = text.find(']', open + 1);
    if (close == AnsiString::npos) return false;
    name = text.substr(0, open);
    if (!ParseIndex(text.substr(open + 1, close - open - 1), index)) return false;
    rest = close + 2 <= text.size() ? text.substr(close + 2) : AnsiString();
    return true;
}

}  // namespace

bool IsNativeCode(const AnsiString& code) {
    return code.empty() || rtl::SameText(code, "exe") || rtl::SameText(code, "ntv");
}

bool IsSafeCode(const AnsiString& code) {
    return code.find('/') == AnsiString::npos && code.find('\\') == AnsiString::npos &&
           code.find("..") == AnsiString::npos && code.find('\0') == AnsiString::npos;
}

// ---- The catalogue ------------------------------------------------------------------------------

TLFInfoList::TLFInfoList() : FullFolder(rtl::GetCurrentDir()) {}

int TLFInfoList::IndexOfLanguage(std::uint32_t id, bool includeNative) const {
    const int native = includeNative ? -1 : NativeIndex();
    for (int i = 0; i < Count(); ++i)
        if (i != native && ItemAt(i)->LanguageId == id) return i;
    return -1;
}

int TLFInfoList::NativeIndex() const {
    for (int i = 0; i < Count(); ++i)
        if (ItemAt(i)->IsNative) return i;
    return -1;
}

bool TLFInfoList::IsPackOnly(std::uint32_t id) const {
    int index = IndexOfLanguage(id);
    return index >= 0 && ItemAt(index)->FileName.empty();
}

int TLFInfoList::AddSorted(std::unique_ptr<TLFInfo> info) {
    info->Owner = this;
    int index = 0;
    while (index < Count() && !(ItemAt(index)->EnglishName > info->EnglishName)) ++index;
    Insert(index, std::move(info));
    return index;
}

void TLFInfoList::SetFolder(const AnsiString& path) {
    if (path == Folder && !Folder.empty()) return;
    AnsiString full = rtl::ExcludeTrailingPathDelimiter(winres::ResolvePath(AppDir(), path));
    if (full.empty()) full = "/";
    if (!rtl::DirectoryExists(full)) throw ELocOnFlyError(ELocOnFlyError::CreateResFmt, SLocPathNotExist, {full});
    Folder = path;
    FullFolder = full;
    Rescan();
}

void TLFInfoList::Rescan() {
    const AnsiString pattern = winres::CompanionFileName(ExeName(), "*.lng");
    // The language folder first, then the XDG data folders: the first file of a language wins.
    std::vector<std::uint32_t> seen;
    for (const AnsiString& folder : winres::LanguageFolders(FullFolder)) {
        std::vector<std::uint32_t> seenHere;
        for (const AnsiString& name : winres::FindFiles(folder, pattern)) {
            try {
                langdata::TLangFile file(rtl::IncludeTrailingPathDelimiter(folder) + name, true);
                // A file that vanished between the listing and the read has no language.
                if (file.LanguageId() == 0 && file.EnglishName().empty()) continue;
                if (std::find(seen.begin(), seen.end(), file.LanguageId()) != seen.end()) continue;
                seenHere.push_back(file.LanguageId());
                int index = IndexOfLanguage(file.LanguageId());
                TLFInfo* entry = nullptr;
                if (index < 0) {
                    auto info = std::make_unique<TLFInfo>();
                    info->LanguageId = file.LanguageId();
                    info->EnglishName = file.EnglishName();
                    info->NativeName = file.NativeName();
                    entry = info.get();
                    AddSorted(std::move(info));
                } else {
                    entry = ItemAt(index);
                    entry->EnglishName = file.EnglishName();
                }
                entry->FileName = name;
                entry->IsNative = file.IsNative();
            } catch (const std::exception&) {
                // An unreadable language file is simply not offered.
            }
        }
        seen.insert(seen.end(), seenHere.begin(), seenHere.end());
    }
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
      menuSink_(std::make_unique<TMenuSink>(this)) {
    if (!Instance()) Instance() = this;
    modres::LocUtils().OnFlyMode = true;
}

TKLocalizerOnFly::~TKLocalizerOnFly() {
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
    bool result = false;
    try {
        result = langdata::ReadLanguagePack(bytes, languageId, options, dest, &directory);
    } catch (const langdata::ELangPackError& error) {
        catalogue();
        throw ELocOnFlyError(error.Message());
    }
    catalogue();
    return result;
}

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
        throw ELocOnFlyError(ELocOnFlyError::CreateResFmt, SLocLangFileDamaged, {file.FileName(), error.Message()});
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

void TKLocalizerOnFly::SaveLanguageChoice() {
    if (RegistryKey.empty()) return;
    registry::TRegistry reg;
    reg.OpenKey(ChoiceKey(), true);
    reg.WriteString(RegistryValueName,
                    CurrentLanguageId == NativeLanguageId() ? AnsiString("EXE")
                                                            : locstore::LanguageAbbreviation(CurrentLanguageId));
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
    const AnsiString nativeModule = NativeModuleFile();
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
            if (!nativeModule.empty()) {
                langFile.BuildLanguageModule(std::nullopt, moduleFile, Store.get(), nativeModule);
            } else {
                utils.RestoreAllModules();
                langFile.BuildLanguageModule(winres::HMODULE{0}, moduleFile, Store.get(), AnsiString());
            }
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

    SaveLanguageChoice();
}

// ---- Live translation -----------------------------------------------------------------------------

void TKLocalizerOnFly::TranslateForms(TLocStorage* store) {
    rtti::TScreen& screen = rtti::Screen();
    // A handler run by a property change could open or close a form; walk a snapshot.
    std::vector<rtti::TCustomForm*> forms;
    for (int i = 0; i < screen.FormCount(); ++i) forms.push_back(screen.Forms(i));
    for (rtti::TCustomForm* form : forms) {
        TranslateFramesAndAncestors(store, form);
        TranslateForm(store, form);
    }
}

void TKLocalizerOnFly::TranslateDataModules(TLocStorage* store) {
    rtti::TScreen& screen = rtti::Screen();
    std::vector<rtti::TDataModule*> modules;
    for (int i = 0; i < screen.DataModuleCount(); ++i) modules.push_back(screen.DataModules(i));
    for (rtti::TDataModule* module : modules) TranslateForm(store, module);
}

void TKLocalizerOnFly::TranslateFramesAndAncestors(TLocStorage* store, rtti::TComponent* component) {
    if (!component) return;
    if (!store) store = Store.get();
    const rtti::TClassInfo* cls = component->ClassType();
    if (!cls->InheritsFrom(rtti::TCustomFrame::StaticClass())) cls = cls->Parent();
    for (; cls; cls = cls->Parent()) {
        const std::string_view name = cls->Name();
        if (name == "TCustomForm" || name == "TDataModule" || name == "TCustomFrame" || name == "TScrollingWinControl" ||
            name == "TObject")
            break;
        if (TLocForm* entry = FindFormEntry(store, EntryNameOf(name))) ApplyFormEntry(store, component, entry);
    }
    for (int i = 0; i < component->ComponentCount(); ++i) TranslateFramesAndAncestors(store, component->Components(i));
}

void TKLocalizerOnFly::TranslateForm(TLocStorage* store, rtti::TComponent* form) {
    if (!form) return;
    if (!store) store = Store.get();
    TLocForm* entry = FindFormEntry(store, EntryNameOf(form->ClassType()->Name()));
    if (!entry) return;
    ApplyFormEntry(store, form, entry);
    auto* window = dynamic_cast<rtti::TCustomForm*>(form);
    if (!window) return;
    const int screenPpi = rtti::Screen().PixelsPerInch();
    if (window->PixelsPerInch() > 0 && window->PixelsPerInch() != screenPpi) {
        ScaleForm(*window, screenPpi, window->PixelsPerInch());
        // The form now has the screen's resolution; the next switch must not scale it again.
        window->SetPixelsPerInch(screenPpi);
    }
    if (ApplyBiDiMode)
        window->SetBiDiMode(locstore::IsRightToLeftLanguage(CurrentLanguageId) ? rtti::TBiDiMode::bdRightToLeft
                                                                               : rtti::TBiDiMode::bdLeftToRight);
}

void TKLocalizerOnFly::ScaleForm(rtti::TCustomForm& form, int m, int d) {
    if (Host.ScaleForm) {
        Host.ScaleForm(form, m, d);
        return;
    }
    // Without a GUI: the controls' bounds and fonts, as the toolkit scales them.
    auto scale = [m, d](std::int32_t v) { return static_cast<std::int32_t>((static_cast<std::int64_t>(v) * m) / d); };
    std::function<void(rtti::TComponent*)> walk = [&](rtti::TComponent* owner) {
        for (int i = 0; i < owner->ComponentCount(); ++i) {
            rtti::TComponent* c = owner->Components(i);
            if (auto* control = dynamic_cast<rtti::TControl*>(c)) {
                control->SetBounds(scale(control->Left()), scale(control->Top()), scale(control->Width()),
                                   scale(control->Height()));
                if (!control->ParentFont()) control->Font()->SetHeight(scale(control->Font()->Height()));
            }
            walk(c);
        }
    };
    walk(&form);
    form.SetClientWidth(scale(form.ClientWidth()));
    form.SetClientHeight(scale(form.ClientHeight()));
    form.Font()->SetHeight(scale(form.Font()->Height()));
}

void TKLocalizerOnFly::ApplyFormEntry(TLocStorage* store, rtti::TComponent* component, TLocForm* formEntry) {
    if (!component || !formEntry) return;
    for (int i = 0; i < component->ComponentCount(); ++i) {
        rtti::TComponent* child = component->Components(i);
        if (child->InheritsFrom(rtti::TCustomFrame::StaticClass())) TranslateFramesAndAncestors(store, child);
    }
    auto& components = formEntry->Components();
    const bool outermost = formDepth_ == 0;
    if (outermost) {
        judgedLists_.clear();
        JudgeLists(formEntry, component, AnsiString());
        for (int i = 0; i < components.Count(); ++i) {
            TLocComponent* entry = components.ItemAt(i);
            if (entry->Name().find('[') != AnsiString::npos) continue;
            AnsiString rest;
            if (TPersistent* target = ResolveComponentPath(component, entry->Name(), rest)) JudgeLists(entry, target, rest);
        }
    }
    struct TDepth {
        int& depth;
        explicit TDepth(int& d) : depth(d) { ++depth; }
        ~TDepth() { --depth; }
    } depth(formDepth_);
    ApplyProperties(formEntry, component, AnsiString());
    for (int i = 0; i < components.Count(); ++i) {
        TLocComponent* entry = components.ItemAt(i);
        const AnsiString& name = entry->Name();
        if (name.find('[') != AnsiString::npos) {
            ApplyIndexedEntry(component, entry, name);
        } else {
            AnsiString rest;
            if (TPersistent* target = ResolveComponentPath(component, name, rest)) ApplyProperties(entry, target, rest);
        }
    }
    if (outermost) judgedLists_.clear();
}

rtti::TFont* TKLocalizerOnFly::CharsetFont(TPersistent* target) const {
    for (int depth = 0; target && depth < 8; ++depth) {
        if (const rtti::TPropInfo* font = rtti::GetPropInfo(*target, "Font")) {
            if (font->Kind != rtti::TTypeKind::tkClass || !font->GetObj) return nullptr;
            // Realised or not: a hidden window's fonts must follow the language as well, or the
            // window shows the new texts in the old character set when it is opened.
            return dynamic_cast<rtti::TFont*>(font->GetObj(*target));
        }
        const rtti::TPropInfo* style = rtti::GetPropInfo(*target, "Style");
        if (!style || style->Kind != rtti::TTypeKind::tkClass || !style->GetObj) return nullptr;
        target = style->GetObj(*target);
    }
    return nullptr;
}

void TKLocalizerOnFly::ApplyFontCharset(TPersistent* target, int charset) {
    if (rtti::TFont* font = CharsetFont(target)) font->SetCharset(charset);
}

void TKLocalizerOnFly::ApplyProperties(TLocComponent* entry, TPersistent* target, const AnsiString& prefix) {
    if (!entry || !target) return;
    // The character set goes first: a control that keeps its text as 8-bit bytes (the memo)
    // reads the new texts with its font's code page, so that must already be the new one. It is
    // put back when no property was set after all.
    const bool charsetWanted = ApplyCharset && !entry->HasFlags(locstore::lcfKeepCharset);
    rtti::TFont* font = charsetWanted ? CharsetFont(target) : nullptr;
    if (formDepth_ == 0) {
        judgedLists_.clear();
        JudgeLists(entry, target, prefix);
    }
    auto& properties = entry->Properties();
    const int oldCharset = font ? font->Charset() : 0;
    if (font) font->SetCharset(FormCharset());

    int count = 0;
    for (int i = 0; i < properties.Count(); ++i) {
        locstore::TLocProperty* item = properties.ItemAt(i);
        const AnsiString path = prefix.empty() ? item->Name() : prefix + "." + item->Name();
        TLocValue* value = item->ActiveValue();
        TLocValue* base = item->BaseValue();
        if (value->Revision() != base->Revision() && !UseOutdatedTranslations) value = base;
        if (SetPropertyValue(target, path, value)) ++count;
    }
    if (font && count == 0) font->SetCharset(oldCharset);
    if (formDepth_ == 0) judgedLists_.clear();
}

int TKLocalizerOnFly::FormCharset() const {
    // The native language's windows are the program's own forms, designed with the default
    // character set; a translated language's come from its module, whose forms carry the
    // language's character set. A live switch gives the fonts what a restart would.
    if (CurrentLanguageId == NativeLanguageId()) return nls::DEFAULT_CHARSET;
    return locstore::CharsetOfLanguage(CurrentLanguageId);
}

void TKLocalizerOnFly::JudgeLists(TLocComponent* entry, TPersistent* target, const AnsiString& prefix) {
    // Whether string lists still hold a known text is judged before any font changes, in the
    // code page they were filled in (a font shared through its parent changes with it).
    auto& properties = entry->Properties();
    for (int i = 0; i < properties.Count(); ++i) {
        locstore::TLocProperty* item = properties.ItemAt(i);
        const AnsiString path = prefix.empty() ? item->Name() : prefix + "." + item->Name();
        if (rtti::TStrings* list = StringsAt(target, path))
            judgedLists_.emplace_back(list, !HoldsKnownText(*list, item->Values()));
    }
}

rtti::TStrings* TKLocalizerOnFly::StringsAt(TPersistent* target, const AnsiString& path) const {
    AnsiString rest = path;
    for (int depth = 0; target && depth < 16; ++depth) {
        if (rtl::SameText(rest, "Strings")) return dynamic_cast<rtti::TStrings*>(target);
        const auto dot = rest.find('.');
        if (dot == AnsiString::npos) return nullptr;
        const rtti::TPropInfo* prop = rtti::GetPropInfo(*target, rest.substr(0, dot));
        if (!prop || prop->Kind != rtti::TTypeKind::tkClass || !prop->GetObj) return nullptr;
        target = prop->GetObj(*target);
        rest = rest.substr(dot + 1);
    }
    return nullptr;
}

bool TKLocalizerOnFly::HoldsKnownText(const rtti::TStrings& list, const locstore::TLocValueList& values) {
    if (list.Count() == 0) return true;
    rtti::TStringList known;
    for (int i = 0; i < values.Count(); ++i) {
        known.SetText(values.Value(i)->AsAnsi());
        if (known.Equals(list)) return true;
    }
    return false;
}

bool TKLocalizerOnFly::SetPropertyValue(TPersistent* target, const AnsiString& path, TLocValue* value) {
    if (!target || !value) return false;
    if (value->HasFlags(locstore::lvfNotApplied)) return false;
    if (SetSpecialValue(target, path, value)) return false;
    const auto dot = path.find('.');
    const AnsiString head = path.substr(0, dot);
    const AnsiString tail = dot == AnsiString::npos ? AnsiString() : path.substr(dot + 1);
    const rtti::TPropInfo* prop = rtti::GetPropInfo(*target, head);
    if (!prop) return false;
    switch (prop->Kind) {
        case rtti::TTypeKind::tkInteger:
        case rtti::TTypeKind::tkEnumeration: {
            // Kinds without a value in language files (identifiers, sets) reach here with an
            // empty text; that is no value, not a zero.
            const AnsiString text = rtl::Trim(value->AsAnsi());
            if (text.empty() || !prop->SetOrd) break;
            std::int32_t number = 0;
            if (prop->Kind == rtti::TTypeKind::tkEnumeration && prop->EnumType && !rtl::TryStrToInt(text, number)) {
                const int ordinal = prop->EnumType->ValueOf(text);
                if (ordinal >= 0) prop->SetOrd(*target, ordinal);
                break;
            }
            prop->SetOrd(*target, value->AsInteger());
            break;
        }
        case rtti::TTypeKind::tkString:
        case rtti::TTypeKind::tkLString:
            if (prop->SetStr) prop->SetStr(*target, value->AsAnsi());
            break;
        case rtti::TTypeKind::tkWString:
            if (prop->SetWStr) prop->SetWStr(*target, value->Text());
            break;
        case rtti::TTypeKind::tkClass: {
            // A property whose object is none has nothing to set.
            TPersistent* object = prop->GetObj ? prop->GetObj(*target) : nullptr;
            if (object) SetPropertyValue(object, tail, value);
            break;
        }
        default:
            break;
    }
    return true;
}

bool TKLocalizerOnFly::SetSpecialValue(TPersistent* target, const AnsiString& path, TLocValue* value) {
    if (rtl::SameText(path, "Strings") && InheritsFromName(target, {"TStrings", "TElWideStrings", "TTntStrings"})) {
        auto* strings = dynamic_cast<rtti::TStrings*>(target);
        if (!strings) return true;
        // Lines the user has typed stay: the list is replaced only while it holds a text that
        // came from the form resource or from a translation (some language's value of this item).
        // ApplyProperties judged its lists before touching fonts; a direct call judges now.
        auto judged = std::find_if(judgedLists_.begin(), judgedLists_.end(),
                                   [strings](const auto& judgement) { return judgement.first == strings; });
        const bool keep = judged != judgedLists_.end() ? judged->second
                                                       : value->Owner() && !HoldsKnownText(*strings, *value->Owner());
        if (keep) return true;
        rtti::TStringList replacement;
        replacement.SetText(value->AsAnsi());
        strings->Assign(replacement);
        return true;
    }
    if (target->ClassName() == "TTabbedNotebook") {
        auto* pages = dynamic_cast<rtti::TStrings*>(rtti::GetObjectProp(*target, "Pages"));
        if (!pages) return true;
        int page = 0;
        const auto dot = path.find('.');
        if (dot != AnsiString::npos) {
            const AnsiString head = path.substr(0, dot);
            std::int32_t number = 0;
            if (head.size() <= 8 || !rtl::TryStrToInt(head.substr(8), number) || number < 1) return true;
            page = number - 1;
        }
        if (pages->Count() > page)
            pages->Put(page, value->AsAnsi());
        else
            pages->Add(value->AsAnsi());
        return true;
    }
    return TranslateCustomObject(target, path, value);
}

TPersistent* TKLocalizerOnFly::ResolveComponentPath(TPersistent* component, const AnsiString& path,
                                                    AnsiString& restPath) {
    const auto dot = path.find('.');
    if (dot == AnsiString::npos) return FindSubComponent(component, path);
    const AnsiString head = path.substr(0, dot);
    const AnsiString tail = path.substr(dot + 1);
    TPersistent* obj = FindSubComponent(component, head);
    if (!obj) return nullptr;
    if (TPersistent* r = ResolveComponentPath(obj, tail, restPath)) return r;
    restPath = tail;
    return obj;
}

TPersistent* TKLocalizerOnFly::FindSubComponent(TPersistent* component, const AnsiString& name) {
    if (!component || name.empty()) return nullptr;
    if (auto* owner = dynamic_cast<rtti::TComponent*>(component)) {
        if (rtti::TComponent* found = owner->FindComponent(name)) return found;
        for (int i = 0; i < owner->ComponentCount(); ++i)
            if (TPersistent* found = FindSubComponent(owner->Components(i), name)) {
                if (dynamic_cast<rtti::TComponent*>(found)) return found;
            }
    }
    const rtti::TPropInfo* prop = rtti::GetPropInfo(*component, name);
    if (prop && prop->Kind == rtti::TTypeKind::tkClass && prop->GetObj) return prop->GetObj(*component);
    return nullptr;
}

void TKLocalizerOnFly::ApplyIndexedEntry(TPersistent* component, TLocComponent* entry, const AnsiString& name) {
    const auto open = name.find('[');
    if (open == AnsiString::npos) return;
    const AnsiString before = name.substr(0, open);
    const auto lastDot = before.rfind('.');
    AnsiString head = lastDot == AnsiString::npos ? before : before.substr(0, lastDot);
    AnsiString propName = lastDot == AnsiString::npos ? AnsiString() : before.substr(lastDot + 1);
    int index = 0;
    AnsiString rest;
    AnsiString ignored;
    if (!TakeIndexedPart(propName + name.substr(open), ignored, index, rest)) return;

    AnsiString unused;
    TPersistent* obj = ResolveComponentPath(component, head, unused);
    while (obj) {
        if (!propName.empty()) {
            const rtti::TPropInfo* prop = rtti::GetPropInfo(*obj, propName);
            if (prop && prop->Kind == rtti::TTypeKind::tkClass && prop->GetObj)
                obj = prop->GetObj(*obj);
            else
                obj = FindCustomItem(obj, propName, index);
        }
        if (!obj) break;
        if (auto* collection = dynamic_cast<rtti::TCollection*>(obj)) {
            if (index >= collection->Count()) return;
            obj = collection->Items(index);
        } else {
            obj = FindCustomItem(obj, propName, index);
        }
        if (!obj || rest.empty()) break;
        if (!TakeIndexedPart(rest, propName, index, rest)) return;
    }
    if (obj) ApplyProperties(entry, obj, AnsiString());
}

bool TKLocalizerOnFly::InheritsFromName(const TPersistent* object, std::initializer_list<std::string_view> names) {
    if (!object) return false;
    return object->ClassType()->InheritsFromName(names);
}

}  // namespace localizer
