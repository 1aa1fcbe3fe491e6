#include "platform/winres/StartupChoice.h"

#include "platform/nls/LocaleData.h"
#include "platform/nls/Nls.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/winres/FileSearch.h"

namespace winres {

namespace {

TStartupModuleCheck& Check() {
    static TStartupModuleCheck check;
    return check;
}

int AppEntryIndex() {
    for (int i = 0; i < ModuleTableCount(); ++i)
        if (ModuleTableModule(i) == AppInstance()) return i;
    return -1;
}

// The remembered value, or nothing when there is none or it may not be used as an extension.
std::optional<AnsiString> RememberedValue(const AnsiString& appFileName) {
    registry::TRegistry reg;
    if (!reg.OpenKey(kLocalesKey, false)) return std::nullopt;
    auto value = reg.TryReadString(appFileName);
    if (!value) value = reg.TryReadString("");
    if (!value || value->empty()) return std::nullopt;
    // Never let a stored value reach outside the module folder.
    if (value->find('/') != AnsiString::npos || value->find('\\') != AnsiString::npos ||
        value->find("..") != AnsiString::npos || value->find('\0') != AnsiString::npos)
        return std::nullopt;
    return value->substr(0, 4);
}

// Loads the module "<executable name>.<extension>" from the module folder and installs it when
// the check lets it. True when installed.
bool TryExtension(const AnsiString& appFileName, const AnsiString& extension, int entry) {
    if (extension.empty()) return false;
    auto path = FindFileNoCase(ModuleFolder(), CompanionFileName(appFileName, extension));
    if (!path) return false;
    HMODULE module = LoadLibraryEx(*path, LOAD_LIBRARY_AS_DATAFILE);
    if (module == 0) return false;
    bool accepted = true;
    if (const auto& check = Check()) {
        try {
            accepted = check(module);
        } catch (...) {
            accepted = false;
        }
    }
    if (!accepted) {
        FreeLibrary(module);
        return false;
    }
    SetModuleTableResource(entry, module);
    return true;
}

}  // namespace

void SetStartupModuleCheck(TStartupModuleCheck check) { Check() = std::move(check); }

AnsiString UserLocaleAbbreviation() {
    const nls::TLocaleEntry* entry = nls::FindLocale(nls::GetUserDefaultLangID());
    return entry && entry->Abbreviation ? AnsiString(entry->Abbreviation) : AnsiString();
}

HMODULE ChooseStartupResourceModule() {
    MarkStartupChoiceDone();
    int entry = AppEntryIndex();
    if (entry < 0) return AppInstance();
    // A module chosen before goes back first, so the choice can be run again.
    HMODULE old = ModuleTableResource(entry);
    if (old != AppInstance()) {
        SetModuleTableResource(entry, AppInstance());
        FreeLibrary(old);
    }
    try {
        AnsiString app = GetModuleFileName(AppInstance());
        if (auto value = RememberedValue(app)) {
            if (rtl::SameText(*value, "EXE")) return AppInstance();
            if (TryExtension(app, *value, entry)) return ModuleTableResource(entry);
        }
        AnsiString abbreviation = UserLocaleAbbreviation();
        if (TryExtension(app, abbreviation, entry)) return ModuleTableResource(entry);
        if (abbreviation.size() > 2 && TryExtension(app, abbreviation.substr(0, 2), entry))
            return ModuleTableResource(entry);
    } catch (const rtl::Exception&) {
        // A broken store or folder only means the program starts with its own resources.
    }
    return ModuleTableResource(entry);
}

}  // namespace winres
