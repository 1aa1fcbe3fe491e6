#pragma once
// Stands in for the platform's module loading and resource services, over PE resource images:
//
// - AppInstance, the program's own module: the resource image embedded in the executable at
//   build time (see resources/CMakeLists.txt). A process linked without an image (the bootstrap
//   tool, unit tests) has an AppInstance without resources; tests may install an image of their
//   own with SetAppImage.
// - LoadLibraryEx "as data file": reads a module file into memory, checks its headers and its
//   whole resource tree, and hands out a reference-counted handle (the same file again gives the
//   same handle with one more reference). FreeLibrary drops a reference.
// - FindResource / LoadResource / LockResource / SizeofResource / EnumResourceNames over any
//   module handle. Handles are never reused, so a stale handle finds nothing instead of another
//   module's bytes.
// - GetModuleFileName: the real executable's path for AppInstance (overridable for tests).
// - The resource-module table with FindResourceModule: the module the program's string tables
//   and forms are read from. Its first use runs the start-up choice (StartupChoice.h).
// - The interface code page and the message-string loader: rtl::LoadResString reads string
//   tables of FindResourceModule(AppInstance) and converts them with the interface code page.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/SysTypes.h"
#include "platform/winres/PEImage.h"

namespace winres {

using rtl::AnsiString;
using rtl::WideString;

using HMODULE = std::uintptr_t;

inline constexpr std::uint32_t LOAD_LIBRARY_AS_DATAFILE = 0x00000002;
inline constexpr int RT_STRING = 6;
inline constexpr int RT_RCDATA = 10;

// A found resource. LoadResource hands the same value on, as the platform's HGLOBAL of a
// resource is only the resource again.
struct HRSRC {
    HMODULE Module = 0;
    std::uint32_t Offset = 0;
    std::uint32_t Size = 0;
    explicit operator bool() const { return Module != 0; }
};
using HGLOBAL = HRSRC;

// ---- Modules ---------------------------------------------------------------------------------

HMODULE AppInstance();

// Installs an image as the program's own resources (tests); an empty vector means "no
// resources". Answers false, and changes nothing, when the bytes are not a valid image.
bool SetAppImage(std::vector<std::uint8_t> image);
// Back to the image embedded at build time (or none).
void ResetAppImage();
// The bytes of the program's own image (empty when it has none).
std::span<const std::uint8_t> AppImage();
// The image embedded at build time (empty when the executable was linked without one).
std::span<const std::uint8_t> EmbeddedImage();

// Loads a module file for resource access only. Answers 0 on failure; LastLoadError() says why.
// The only flag understood is LOAD_LIBRARY_AS_DATAFILE; loading for execution does not exist here.
HMODULE LoadLibraryEx(const AnsiString& fileName, std::uint32_t flags = LOAD_LIBRARY_AS_DATAFILE);
AnsiString LastLoadError();
// Drops one reference; the module is unloaded with the last. False for an unknown handle.
bool FreeLibrary(HMODULE module);
// References held on a loaded module (0 when not loaded; AppInstance answers 1).
int ReferenceCount(HMODULE module);
// The module's bytes (empty for an unknown handle).
std::span<const std::uint8_t> ModuleImage(HMODULE module);

// The full path of the module file; for AppInstance the executable's path. "" for an unknown one.
AnsiString GetModuleFileName(HMODULE module);
// Overrides the executable's path (tests, and TKLocUtils::SetAppFileName); "" restores the real one.
void SetAppFileName(const AnsiString& fileName);

// ---- Resources -------------------------------------------------------------------------------

HRSRC FindResource(HMODULE module, const TResName& name, const TResName& type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
// The resource's first byte, valid while the module stays loaded; nullptr for a stale handle.
const std::uint8_t* LockResource(HGLOBAL resource);
std::uint32_t SizeofResource(HMODULE module, HRSRC resource);
// Calls back with every name of the type, in directory order, until the callback answers false.
// Answers false when the module has no resource of the type.
bool EnumResourceNames(HMODULE module, const TResName& type, const std::function<bool(const TResName&)>& callback);
// FindResource + LockResource + SizeofResource in one (empty when missing).
std::span<const std::uint8_t> ResourceBytes(HMODULE module, const TResName& name, const TResName& type);

// The string of a string table, or nothing when the module has no (non-empty) string with the id.
std::optional<WideString> LoadStringW(HMODULE module, int id);

// ---- The resource-module table ---------------------------------------------------------------
// One entry per registered module; only AppInstance is registered. Every access runs the
// start-up choice first when it has not run yet.

// The resource module of the registered module, or the handle itself when it is not registered.
HMODULE FindResourceModule(HMODULE module);
int ModuleTableCount();
HMODULE ModuleTableModule(int index);
HMODULE ModuleTableResource(int index);
// Stores a resource module in an entry (no reference is taken or dropped here).
void SetModuleTableResource(int index, HMODULE resourceModule);

// Called with the new resource module whenever AppInstance's entry changes (LocUtils keeps the
// interface code page in step with it).
using TResourceModuleObserver = std::function<void(HMODULE resourceModule)>;
void SetResourceModuleObserver(TResourceModuleObserver observer);

// ---- Text ------------------------------------------------------------------------------------

// The code page LoadResString converts message strings with: that of the language of the
// installed resource module. Defaults to the system code page.
int InterfaceCodePage();
void SetInterfaceCodePage(int codePage);
int SystemCodePage();

// 8-bit text in the code page <-> UTF-16; never fails.
AnsiString WideToAnsi(const WideString& text, int codePage);
WideString AnsiToWide(const AnsiString& text, int codePage);

// Makes rtl::LoadResString read the string tables of FindResourceModule(AppInstance()).
void InstallResStringLoader();

// ---- For tests -------------------------------------------------------------------------------

// Frees every loaded library, empties the table's choice and forgets the start-up choice, so the
// next lookup chooses again. The app image and file name overrides stay.
void ResetModulesForTests();

}  // namespace winres
