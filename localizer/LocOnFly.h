#pragma once
// The localizer controller: the one object through which the interface language is chosen and
// changed while the program runs. It keeps the language catalogue (language files beside the
// executable and the embedded pack), loads languages into the translation store, builds and
// installs language modules, carries translations into the open windows through the component
// model, and remembers the choice in the per-user settings store.
//
// Nothing here knows the widget toolkit: what needs a window (the "Localizer Error" box,
// rescaling a form, the screen's fonts) goes through TLocalizerHost, which the program fills
// with the GUI's implementations. Without a host, errors are not shown and forms are rescaled
// through their controls' bounds.
//
// `Localizer` is one of the program's two global objects: start-up code creates it (after
// LocUtils) and destroys it at shutdown (before LocUtils); Localizer() reaches it in between.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "langdata/LangPack.h"
#include "localizer/DeferredWrite.h"
#include "localizer/PackCache.h"
#include "locstore/KUtils.h"
#include "locstore/LocStorage.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysTypes.h"
#include "platform/winres/WinRes.h"

namespace langdata {
class TLangFile;
}

namespace rtti {
class TPersistent;
class TComponent;
class TCustomForm;
class TFont;
class TStrings;
class TClassInfo;
}  // namespace rtti

namespace localizer {

using rtl::AnsiString;
using rtl::WideString;

VLMRK_DECLARE_EXCEPTION(ELocOnFlyError, rtl::Exception);

// 65281 "Invalid VAZOZO resource" belongs to this unit too; the pack reader declares it
// (langdata::SInvalidVazozoResource) because it raises it.
VLMRK_RESSTRING(SLocCanNotDeleteFile, 65280, "LocOnFly", "Can not delete file \"%s\"");
VLMRK_RESSTRING(SLocLangFileNotFound, 65308, "LocOnFly", "Language file \"%s\" is not found");
VLMRK_RESSTRING(SLocPathNotExist, 65309, "LocOnFly", "Specified path \"%s\" does not exist");
VLMRK_RESSTRING(SLocNotInitialized, 65310, "LocOnFly", "Localizer is not initialized");
VLMRK_RESSTRING(SLocLanguageNotFound, 65311, "LocOnFly", "Language \"%s\" is not found");
// A freshly built module that the version check refuses (built from a native module of another
// program version): said plainly instead of falling back to the native resources in silence.
VLMRK_RESSTRING(SLocModuleRefused, 65210, "LocOnFly",
                "The language module \"%s\" does not match this version of the program");
// A language file whose header reads but whose body does not: the file and what was wrong.
VLMRK_RESSTRING(SLocLangFileDamaged, 65211, "LocOnFly", "Language file \"%s\" is damaged: %s");

// Fixed texts: the box's caption, and the one message that is no string resource.
inline constexpr char kLocalizerErrorCaption[] = "Localizer Error";
inline constexpr char kCanNotLoadLanguage[] = "Can not load language %s from resources";

// Options of ReadLanguagePack and LoadPackLanguage.
inline constexpr unsigned AddToCatalogue = langdata::lpoAddToCatalogue;
inline constexpr unsigned HeaderOnly = langdata::lpoHeaderOnly;

// The empty code, "exe" and "ntv" (any case) stand for the native language.
bool IsNativeCode(const AnsiString& code);
// A language code from outside (the settings store, a caller) names a file only when it holds
// no path separator and no "..".
bool IsSafeCode(const AnsiString& code);

class TLFInfoList;

// One language of the catalogue.
class TLFInfo : public rtl::TObject {
public:
    bool IsNative = false;
    TLFInfoList* Owner = nullptr;
    AnsiString FileName;  // without folder; empty for a language of the pack only
    std::uint32_t LanguageId = 0;
    AnsiString EnglishName;
    WideString NativeName;
};

// The catalogue, in ascending order of EnglishName (byte order; equal names keep their order of
// arrival).
class TLFInfoList : public locstore::TKObjectListOf<TLFInfo> {
public:
    // FullFolder starts as the current directory.
    TLFInfoList();

    AnsiString Folder;
    AnsiString FullFolder;

    // -1 when absent; without includeNative the native entry is passed over.
    int IndexOfLanguage(std::uint32_t id, bool includeNative = true) const;
    int NativeIndex() const;
    bool IsPackOnly(std::uint32_t id) const;
    int AddSorted(std::unique_ptr<TLFInfo> info);
    // Resolves the path against the executable's folder and rescans; raises ELocOnFlyError
    // (65309) when the folder does not exist, keeping the old one.
    void SetFolder(const AnsiString& path);
    // Adds or updates entries from the language files (Vlmrk.*.lng) of FullFolder and then of
    // the XDG data folders (winres::LanguageFolders); the first file of a language wins. Files
    // that cannot be read are left out without a word.
    void Rescan();
};

// What the controller needs from the windowing layer.
struct TLocalizerHost {
    // A modal box with an OK button and no icon, owned by the main window when there is one.
    std::function<void(const AnsiString& caption, const AnsiString& text)> MessageBox;
    // Rescales a form window by m / d (sizes, positions, fonts).
    std::function<void(rtti::TCustomForm& form, int m, int d)> ScaleForm;
    // The screen's icon-title, hint and menu fonts (those that exist).
    std::function<std::vector<rtti::TFont*>()> ScreenFonts;
    // Around the live translation of the windows: the GUI gathers its costly updates (layouts,
    // change notifications) and does them once at the end.
    std::function<void()> BeginWindowUpdate;
    std::function<void()> EndWindowUpdate;
    // Runs work once the current event-loop turn is done. With it, the choice a switch made is
    // written just after the switch instead of inside it; without it, at once.
    std::function<void(std::function<void()>)> PostWork;
};

class TKLocalizerOnFly : public rtl::TObject {
public:
    // Registers itself as the global Localizer (when none exists) and puts LocUtils into
    // on-the-fly mode.
    TKLocalizerOnFly();
    ~TKLocalizerOnFly() override;
    TKLocalizerOnFly(const TKLocalizerOnFly&) = delete;
    TKLocalizerOnFly& operator=(const TKLocalizerOnFly&) = delete;

    // ---- Fields ------------------------------------------------------------------------------
    bool Starting = true;
    bool Ready = false;
    bool ShuttingDown = false;
    bool ApplyCharset = true;
    bool ApplyBiDiMode = false;
    bool UseOutdatedTranslations = false;
    std::uint32_t CurrentLanguageId = 0;
    std::unique_ptr<locstore::TLocStorage> Store;
    std::unique_ptr<TLFInfoList> Languages;
    std::int32_t StoreLanguageIndex = 0;
    AnsiString RegistryKey;
    AnsiString RegistrySection;
    AnsiString RegistryValueName;
    // 0: errors go to the caller; 1: shown in the "Localizer Error" box; other: swallowed.
    std::uint8_t ErrorReaction = 1;

    TLocalizerHost Host;

    // Optional callbacks behind the virtual slots; the program installs none.
    std::function<void()> OnSwitchStarting;
    std::function<void(int catalogueIndex)> OnSwitchDone;
    std::function<bool(rtti::TPersistent* target, const AnsiString& path, locstore::TLocValue* value)>
        OnTranslateCustomObject;
    std::function<rtti::TPersistent*(rtti::TPersistent* target, const AnsiString& name, int index)> OnFindCustomItem;

    // ---- Virtual slots ------------------------------------------------------------------------
    virtual void DoSwitchStarting();
    virtual void DoSwitchDone(int catalogueIndex);
    virtual bool TranslateCustomObject(rtti::TPersistent* target, const AnsiString& path, locstore::TLocValue* value);
    virtual rtti::TPersistent* FindCustomItem(rtti::TPersistent* target, const AnsiString& name, int index);

    // ---- Start-up, catalogue, loading ---------------------------------------------------------
    void Initialize(const AnsiString& registryKey, const AnsiString& languageFolder);
    void SetLanguageFolder(const AnsiString& path);
    AnsiString LanguageFolder() const { return Languages->FullFolder; }
    std::uint32_t NativeLanguageId() const;
    bool ReadLanguagePack(winres::HMODULE module, std::uint32_t languageId, unsigned options, rtl::TStream* dest);
    bool LoadPackLanguage(winres::HMODULE module, std::uint32_t languageId, unsigned options,
                          locstore::TLocStorage* store, langdata::TLangFile& langFile);
    bool LoadFromPack(std::uint32_t languageId, bool headerOnly);
    // Pack languages are decoded once and kept (PackCache.h); this forgets them, as a new
    // process would not have them (for measuring a first switch).
    void ForgetDecodedPackLanguages();
    void LoadNativeLanguage();
    int EnsureLanguageLoaded(std::uint32_t languageId);
    void SaveLanguageChoice();
    // Writes the choice of the last switch now when it is still waiting for its turn of the
    // event loop (the controller does so itself before it goes away).
    void FlushLanguageChoice();
    bool LanguageChoicePending() const { return choiceWrite_->Pending(); }
    // Waits until the modules built by the last switches are on the disk, when that is still
    // waiting for its turn of the event loop (the controller does so itself before it goes away).
    void FlushBuiltModules();
    bool ModuleFlushPending() const { return moduleFlush_->Pending(); }
    // The remembered code, "" when none.
    AnsiString ReadLanguageChoice() const;
    void ReportError(const rtl::Exception& error);

    // ---- Menu and switching -------------------------------------------------------------------
    // parentItem is a menu item of the GUI; the new items are made through the component model
    // with the parent's own class.
    void FillLanguageMenu(rtti::TComponent* parentItem, std::uint8_t groupIndex, bool includeNative);
    void LanguageItemClick(rtl::TObject* sender);
    void SwitchToCode(const AnsiString& code);
    // Back to the program's own resources, the store showing the native language (a start whose
    // remembered language could not be had, windows that could not be built from a module).
    void UseProgramResources();
    // Removes the remembered language code, so the next start takes the program's own choice.
    void ForgetLanguageChoice();
    void SwitchToLanguage(std::uint32_t languageId);
    void ChangeLanguage(std::uint32_t languageId, AnsiString code);
    void SwitchToLanguageFile(const AnsiString& fileName);
    void SwitchToPackLanguage(std::uint32_t languageId);
    void ApplyLanguage(langdata::TLangFile& langFile);

    // ---- File names ---------------------------------------------------------------------------
    // The language file of a code in the language folder, found without regard to case; empty
    // when there is none or the code may not name a file.
    AnsiString LanguageFileOfCode(const AnsiString& code) const;
    // Where the language file of a code would be (for messages).
    AnsiString LanguageFilePath(const AnsiString& code) const;
    // The language module of a language: module folder + executable name + "." + code.
    AnsiString ModuleFileOf(std::uint32_t languageId) const;
    // The optional native module Vlmrk.ntv in the language folder; empty when absent.
    AnsiString NativeModuleFile() const;

    // ---- Live translation ---------------------------------------------------------------------
    void TranslateForms(locstore::TLocStorage* store);
    void TranslateDataModules(locstore::TLocStorage* store);
    // The store's entries for a class's frames and ancestors, nearest first, found in one pass.
    using TAncestorEntries = std::unordered_map<const rtti::TClassInfo*, std::vector<locstore::TLocForm*>>;
    void TranslateFramesAndAncestors(locstore::TLocStorage* store, rtti::TComponent* component,
                                     TAncestorEntries& ancestors);
    void TranslateForm(locstore::TLocStorage* store, rtti::TComponent* form);
    void ApplyFormEntry(locstore::TLocStorage* store, rtti::TComponent* component, locstore::TLocForm* formEntry);
    void ApplyProperties(locstore::TLocComponent* entry, rtti::TPersistent* target, const AnsiString& prefix);
    bool SetPropertyValue(rtti::TPersistent* target, const AnsiString& path, locstore::TLocValue* value);
    bool SetSpecialValue(rtti::TPersistent* target, const AnsiString& path, locstore::TLocValue* value);
    rtti::TPersistent* ResolveComponentPath(rtti::TPersistent* component, const AnsiString& path, AnsiString& restPath);
    rtti::TPersistent* FindSubComponent(rtti::TPersistent* component, const AnsiString& name);
    void ApplyIndexedEntry(rtti::TPersistent* component, locstore::TLocComponent* entry, const AnsiString& name);
    void ApplyFontCharset(rtti::TPersistent* target, int charset);
    static bool InheritsFromName(const rtti::TPersistent* object, std::initializer_list<std::string_view> names);

private:
    class TMenuSink;

    template <class F>
    void Guarded(F&& body);
    void CheckReady() const;
    // Adds a store language for languageId and fills it with load(index); when load raises, the
    // language is taken out again and the error passes on.
    template <class F>
    static int LoadIntoNewLanguage(locstore::TLocStorage& store, std::uint32_t languageId, F&& load);
    // A language file's values into a new store language; a body that does not read is reported
    // with the file's name.
    int LoadLanguageFile(langdata::TLangFile& file, std::uint32_t languageId);
    // SwitchToCode without its guard.
    void ChangeToCode(const AnsiString& code);
    // The settings-store key the language code is remembered under.
    AnsiString ChoiceKey() const;
    // What SaveLanguageChoice writes for the current language.
    AnsiString ChoiceValue() const;
    // The end of a switch: the choice written after the event loop's turn when the host can
    // post work and the program is not starting, else at once.
    void RememberLanguageChoice();
    // The character set a live switch gives fonts: what the language's own forms carry.
    int FormCharset() const;
    // The font ApplyFontCharset changes, reached through "Font" or "Style".
    rtti::TFont* CharsetFont(rtti::TPersistent* target) const;
    // Whether the installed resource module was built from this program's native resources.
    bool InstalledModuleMatchesProgram() const;
    void ScaleForm(rtti::TCustomForm& form, int m, int d);
    // The string list a property path ends in ("Lines.Strings"), or none.
    rtti::TStrings* StringsAt(rtti::TPersistent* target, const AnsiString& path) const;
    // Whether the list holds the text of one of the item's values (it was not typed over).
    static bool HoldsKnownText(const rtti::TStrings& list, const locstore::TLocValueList& values);
    void JudgeLists(locstore::TLocComponent* entry, rtti::TPersistent* target, const AnsiString& prefix);

    std::unique_ptr<TMenuSink> menuSink_;
    std::unique_ptr<TDeferredWrite> choiceWrite_;
    // A switch that builds a module does not wait for it to reach the disk: that is done in the
    // event loop's turn after the switch (the module is a file the program can build again).
    std::unique_ptr<TDeferredWrite> moduleFlush_;
    std::vector<AnsiString> unflushedModules_;
    void FlushModuleLater(const AnsiString& moduleFile);
    // An error of work run from the event loop, where no caller can take it.
    void ReportLoopError(const std::exception_ptr& error);
    // Languages of the pack as decoded by earlier switches.
    TPackCache packCache_;
    // String lists of the entry being applied, and whether they hold text of the user's.
    std::vector<std::pair<rtti::TStrings*, bool>> judgedLists_;
    int formDepth_ = 0;
};

// The global Localizer; raises ELocOnFlyError when none exists.
TKLocalizerOnFly& Localizer();
bool LocalizerExists();

}  // namespace localizer
