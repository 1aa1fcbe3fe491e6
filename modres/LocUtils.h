#pragma once
// Module utilities: the facts about the running program the localization runtime needs (its
// executable and module) and the program's resource module: loading a language module as a data
// file, checking its settings record against the program's, installing it in the resource-module
// table and giving the program its own resources back.
//
// `LocUtils` is one of the program's two global objects. Start-up code creates it (a
// std::unique_ptr owned by main, say) before anything looks up a resource, and destroys it at
// shutdown; LocUtils() reaches it in between. Creating it also hooks the module layer into the
// platform: message strings are read from the installed resource module, the interface code
// page follows its language, and the start-up choice refuses modules built from other native
// resources.

#include <cstdint>
#include <memory>

#include "modres/ModuleSettings.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysTypes.h"
#include "platform/winres/WinRes.h"

namespace modres {

using winres::HMODULE;

VLMRK_DECLARE_EXCEPTION(ELocUtilsError, rtl::Exception);
VLMRK_DECLARE_EXCEPTION(ELULoadResLibError, ELocUtilsError);
VLMRK_DECLARE_EXCEPTION(ELUInvalidResLibrary, ELocUtilsError);
VLMRK_DECLARE_EXCEPTION(ELUOutOfVersion, ELocUtilsError);

// The settings of one module.
class TDLLInfoItem : public rtl::TObject {
public:
    std::uint32_t LanguageId = 0;
    std::uint32_t Version = 0;
    AnsiString EnglishName;
    WideString NativeName;
    std::uint32_t Build = 0;
};

class TKLocUtils : public rtl::TObject {
public:
    // Registers itself as the global LocUtils (when none exists) and installs the hooks.
    TKLocUtils();
    ~TKLocUtils() override;

    void SetAppFileName(const AnsiString& fileName);

    // A read-only stream over the module's settings resource, just after its 4-byte magic.
    // Raises ELUInvalidResLibrary when the resource is missing or has another magic.
    std::unique_ptr<rtl::TStream> OpenSettingsStream(HMODULE module, bool isLibrary);
    void ReadModuleInfo(HMODULE module, bool isLibrary, TDLLInfoItem& item);
    bool IsLibraryInSync(HMODULE module, HMODULE resourceModule);
    HMODULE LoadResourceLibrary(HMODULE module, const AnsiString& fileName);
    HMODULE SetResourceModule(HMODULE module, HMODULE resourceModule);
    HMODULE SwitchResourceLibrary(const AnsiString& fileName);
    HMODULE RestoreModule(HMODULE module);
    void RestoreAllModules();
    // The settings of the installed resource module; keeps the earlier contents when reading fails.
    TDLLInfoItem& CurrentLibInfo();
    bool VerifyResourceModule();
    bool CheckResourceModule();

    // The reserved word of the module's settings record (the native-resources fingerprint), or
    // nothing when the record is missing or too short.
    std::optional<std::uint16_t> ModuleFingerprint(HMODULE module, bool isLibrary);

    std::unique_ptr<TDLLInfoItem> CurrentLibInfoItem = std::make_unique<TDLLInfoItem>();
    bool IgnoreCheckErrors = true;
    AnsiString AppFileName;
    HMODULE AppInstance;
    bool OnFlyMode = false;

private:
    HMODULE Resolve(HMODULE module) const { return module == 0 ? AppInstance : module; }
};

// The global LocUtils; raises ELocUtilsError when none has been created.
TKLocUtils& LocUtils();
bool LocUtilsExists();

// Installs the module layer's hooks into the platform (message strings, interface code page,
// start-up check) without creating LocUtils; tools call this. Safe to call more than once.
void InstallModuleHooks();

}  // namespace modres
