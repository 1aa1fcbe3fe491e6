#include "modres/LocUtils.h"

#include "platform/nls/Nls.h"
#include "platform/winres/StartupChoice.h"

namespace modres {

namespace {

TKLocUtils*& Instance() {
    static TKLocUtils* instance = nullptr;
    return instance;
}

constexpr std::size_t kMaxReportedFileName = 261;

[[noreturn]] void RaiseInvalid(HMODULE module, std::string_view code) {
    AnsiString name = winres::GetModuleFileName(module).substr(0, kMaxReportedFileName);
    throw ELUInvalidResLibrary(ELUInvalidResLibrary::CreateFmt, "Invalid resource file format \"%s\"", {name})
        .WithCode(code);
}

[[noreturn]] void RaiseOutOfVersion(const AnsiString& fileName) {
    throw ELUOutOfVersion(ELUOutOfVersion::CreateFmt,
                          "Resource file %s is not synhronized with executable.\r\n"
                          "Please, update the file (using \"Refresh\" operation in Localizer or \"Create DLL\" "
                          "command in Vorerure Vorarod) and try again",
                          {fileName});
}

// The settings record of a module read without LocUtils (the hooks run without it too).
std::optional<TSettingsRecord> ReadRecord(HMODULE module, bool isLibrary) {
    auto bytes = winres::ResourceBytes(module, isLibrary ? kLibSettingsName : kExeSettingsName, winres::RT_RCDATA);
    const char* magic = isLibrary ? kLibSettingsMagic : kExeSettingsMagic;
    if (bytes.size() < 4 || AnsiString(bytes.begin(), bytes.begin() + 4) != magic) return std::nullopt;
    rtl::TReadOnlyStream stream(bytes);
    TSettingsRecord record;
    try {
        ReadSettingsRecord(stream, record);
    } catch (const rtl::Exception&) {
        return std::nullopt;
    }
    return record;
}

}  // namespace

void InstallModuleHooks() {
    winres::InstallResStringLoader();
    // The interface code page follows the language of the installed resource module.
    winres::SetResourceModuleObserver([](HMODULE resourceModule) {
        auto record = ReadRecord(resourceModule, true);
        winres::SetInterfaceCodePage(record ? nls::CodePageForLocale(record->LanguageId) : 0);
    });
    // A module built from other native resources than ours is not installed at start.
    winres::SetStartupModuleCheck([](HMODULE module) {
        auto mine = ReadRecord(winres::AppInstance(), false);
        auto theirs = ReadRecord(module, true);
        if (!mine || !theirs || !mine->Reserved || !theirs->Reserved) return true;
        if (*mine->Reserved == 0 || *theirs->Reserved == 0) return true;
        return *mine->Reserved == *theirs->Reserved;
    });
}

TKLocUtils::TKLocUtils()
    : AppFileName(winres::GetModuleFileName(winres::AppInstance())), AppInstance(winres::AppInstance()) {
    if (!Instance()) Instance() = this;
    InstallModuleHooks();
}

TKLocUtils::~TKLocUtils() {
    if (Instance() == this) Instance() = nullptr;
}

TKLocUtils& LocUtils() {
    if (!Instance()) throw ELocUtilsError("The module utilities are not created");
    return *Instance();
}

bool LocUtilsExists() { return Instance() != nullptr; }

void TKLocUtils::SetAppFileName(const AnsiString& fileName) {
    AppFileName = fileName;
    // The platform's idea of the executable follows, so the module folder and the start-up
    // choice look beside this file too.
    winres::SetAppFileName(fileName);
}

std::unique_ptr<rtl::TStream> TKLocUtils::OpenSettingsStream(HMODULE module, bool isLibrary) {
    module = Resolve(module);
    auto bytes = winres::ResourceBytes(module, isLibrary ? kLibSettingsName : kExeSettingsName, winres::RT_RCDATA);
    if (!winres::FindResource(module, isLibrary ? kLibSettingsName : kExeSettingsName, winres::RT_RCDATA))
        RaiseInvalid(module, "rec.record.missing");
    auto stream = std::make_unique<rtl::TReadOnlyStream>(bytes);
    char magic[4] = {};
    if (stream->Read(magic, 4) != 4 || AnsiString(magic, 4) != (isLibrary ? kLibSettingsMagic : kExeSettingsMagic))
        RaiseInvalid(module, "rec.header.magic");
    return stream;
}

void TKLocUtils::ReadModuleInfo(HMODULE module, bool isLibrary, TDLLInfoItem& item) {
    auto stream = OpenSettingsStream(module, isLibrary);
    // Read field by field into the item, so a record cut short leaves the earlier fields set.
    TSettingsRecord record;
    record.Version = item.Version;
    record.LanguageId = item.LanguageId;
    record.EnglishName = item.EnglishName;
    record.NativeName = item.NativeName;
    record.Build = item.Build;
    struct TStore {
        TSettingsRecord& r;
        TDLLInfoItem& i;
        ~TStore() {
            i.Version = r.Version;
            i.LanguageId = r.LanguageId;
            i.EnglishName = r.EnglishName;
            i.NativeName = r.NativeName;
            i.Build = r.Build;
        }
    } store{record, item};
    ReadSettingsRecord(*stream, record);
}

bool TKLocUtils::IsLibraryInSync(HMODULE module, HMODULE resourceModule) {
    module = Resolve(module);
    TDLLInfoItem mine, theirs;
    ReadModuleInfo(module, module != AppInstance, mine);
    ReadModuleInfo(resourceModule, true, theirs);
    return mine.Version == theirs.Version;
}

HMODULE TKLocUtils::LoadResourceLibrary(HMODULE module, const AnsiString& fileName) {
    if (fileName.empty()) return AppInstance;
    HMODULE handle = winres::LoadLibraryEx(fileName, winres::LOAD_LIBRARY_AS_DATAFILE);
    if (handle == 0) throw ELULoadResLibError(ELULoadResLibError::CreateFmt, "Error loading resource file \"%s\"", {fileName});
    bool inSync = false;
    try {
        inSync = IsLibraryInSync(module, handle);
    } catch (...) {
        winres::FreeLibrary(handle);
        throw;
    }
    if (inSync) return handle;
    winres::FreeLibrary(handle);
    if (OnFlyMode) return 0;
    RaiseOutOfVersion(fileName);
}

HMODULE TKLocUtils::SetResourceModule(HMODULE module, HMODULE resourceModule) {
    module = Resolve(module);
    resourceModule = Resolve(resourceModule);
    for (int i = 0; i < winres::ModuleTableCount(); ++i) {
        if (winres::ModuleTableModule(i) != module) continue;
        HMODULE old = winres::ModuleTableResource(i);
        winres::SetModuleTableResource(i, resourceModule);
        if (old != module) winres::FreeLibrary(old);
        return resourceModule;
    }
    return 0;
}

HMODULE TKLocUtils::SwitchResourceLibrary(const AnsiString& fileName) {
    return SetResourceModule(0, LoadResourceLibrary(0, fileName));
}

HMODULE TKLocUtils::RestoreModule(HMODULE module) { return SetResourceModule(module, module); }

void TKLocUtils::RestoreAllModules() {
    SetResourceModule(0, AppInstance);
    for (int i = 0; i < winres::ModuleTableCount(); ++i) RestoreModule(winres::ModuleTableModule(i));
}

TDLLInfoItem& TKLocUtils::CurrentLibInfo() {
    try {
        ReadModuleInfo(winres::FindResourceModule(AppInstance), true, *CurrentLibInfoItem);
    } catch (const std::exception&) {
        // The item keeps what it held (or what the failed read stored).
    }
    return *CurrentLibInfoItem;
}

bool TKLocUtils::VerifyResourceModule() {
    HMODULE resourceModule = winres::FindResourceModule(AppInstance);
    bool inSync = IsLibraryInSync(0, resourceModule);
    if (inSync || OnFlyMode) return inSync;
    RaiseOutOfVersion(winres::GetModuleFileName(resourceModule));
}

bool TKLocUtils::CheckResourceModule() {
    try {
        return VerifyResourceModule();
    } catch (const ELocUtilsError&) {
        RestoreAllModules();
        if (IgnoreCheckErrors) return false;
        throw;
    }
}

std::optional<std::uint16_t> TKLocUtils::ModuleFingerprint(HMODULE module, bool isLibrary) {
    auto record = ReadRecord(Resolve(module), isLibrary);
    if (!record) return std::nullopt;
    return record->Reserved;
}

}  // namespace modres
