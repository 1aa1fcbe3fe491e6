#include "platform/winres/WinRes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "platform/nls/CodePages.h"
#include "platform/nls/Nls.h"
#include "platform/winres/ResourceDirectory.h"
#include "platform/winres/StartupChoice.h"
#include "platform/winres/StringBlock.h"

// The program image, embedded by the build (resources/ProgramImage.cpp.in). Weak, so that an
// executable linked without an image sees null addresses.
extern "C" {
extern const std::uint8_t vlmrk_program_image_start[] __attribute__((weak));
extern const std::uint8_t vlmrk_program_image_end[] __attribute__((weak));
}

namespace winres {

namespace {

constexpr HMODULE kAppInstance = 0x00400000;
// Module files larger than this are not resource libraries of ours.
constexpr std::int64_t kMaxModuleFileSize = std::int64_t{256} << 20;

struct TModuleView {
    TBytes Bytes;
    const std::vector<TResourceEntry>* Resources = nullptr;
};

struct TLoadedModule {
    HMODULE Handle = 0;
    AnsiString FileName;
    dev_t Dev = 0;
    ino_t Ino = 0;
    off_t Size = 0;
    timespec MTime{};
    int References = 0;
    // The file's bytes, read straight into storage that is not filled with zeros first.
    std::unique_ptr<std::uint8_t[]> Storage;
    TBytes Bytes;
    std::vector<TResourceEntry> Resources;
};

struct TTableEntry {
    HMODULE Module;
    HMODULE ResourceModule;
};

// Process-wide state standing in for the operating system's module list. Used from the GUI
// thread only, as the platform's module table is by this program.
struct TState {
    bool AppParsed = false;
    bool AppOverridden = false;
    std::vector<std::uint8_t> AppOwned;
    TBytes AppBytes;
    std::vector<TResourceEntry> AppResources;

    std::map<HMODULE, std::unique_ptr<TLoadedModule>> Modules;
    HMODULE NextHandle = 0x10000000;
    AnsiString AppFileNameOverride;
    AnsiString LastError;

    std::vector<TTableEntry> Table{{kAppInstance, kAppInstance}};
    bool ChoiceDone = false;
    TResourceModuleObserver Observer;
    int InterfaceCodePage = 0;  // 0: the system code page
};

TState& State() {
    static TState state;
    return state;
}

bool ParseImage(TBytes bytes, std::vector<TResourceEntry>& resources, AnsiString& error) {
    TPEHeaders headers;
    switch (ParsePEHeaders(bytes, headers)) {
        case TPEStatus::Ok: break;
        case TPEStatus::Empty: error = "the file is empty"; return false;
        case TPEStatus::NotMZ: error = "not an executable image"; return false;
        case TPEStatus::NotPE: error = "not a PE image"; return false;
        case TPEStatus::BadSections: error = "the section table lies outside the file"; return false;
    }
    std::string why;
    if (!ReadResourceIndex(bytes, headers, resources, why)) {
        error = why;
        return false;
    }
    return true;
}

void EnsureAppParsed() {
    TState& s = State();
    if (s.AppParsed) return;
    s.AppParsed = true;
    s.AppResources.clear();
    TBytes bytes = s.AppOverridden ? TBytes(s.AppOwned) : EmbeddedImage();
    AnsiString error;
    if (bytes.empty() || !ParseImage(bytes, s.AppResources, error)) {
        s.AppBytes = {};
        s.AppResources.clear();
        return;
    }
    s.AppBytes = bytes;
}

std::optional<TModuleView> View(HMODULE module) {
    TState& s = State();
    if (module == kAppInstance) {
        EnsureAppParsed();
        return TModuleView{s.AppBytes, &s.AppResources};
    }
    auto it = s.Modules.find(module);
    if (it == s.Modules.end()) return std::nullopt;
    return TModuleView{it->second->Bytes, &it->second->Resources};
}

void EnsureStartupChoice() {
    if (!State().ChoiceDone) ChooseStartupResourceModule();
}

AnsiString RealPath(const AnsiString& fileName) {
    char buffer[PATH_MAX];
    if (::realpath(fileName.c_str(), buffer)) return buffer;
    return fileName;
}

}  // namespace

void MarkStartupChoiceDone() { State().ChoiceDone = true; }

HMODULE AppInstance() { return kAppInstance; }

std::span<const std::uint8_t> EmbeddedImage() {
    const std::uint8_t* start = vlmrk_program_image_start;
    const std::uint8_t* end = vlmrk_program_image_end;
    if (!start || !end || end <= start) return {};
    return {start, static_cast<std::size_t>(end - start)};
}

bool SetAppImage(std::vector<std::uint8_t> image) {
    std::vector<TResourceEntry> resources;
    AnsiString error;
    if (!image.empty() && !ParseImage(image, resources, error)) return false;
    TState& s = State();
    s.AppOwned = std::move(image);
    s.AppOverridden = true;
    s.AppParsed = false;
    return true;
}

void ResetAppImage() {
    TState& s = State();
    s.AppOwned.clear();
    s.AppOverridden = false;
    s.AppParsed = false;
}

std::span<const std::uint8_t> AppImage() {
    EnsureAppParsed();
    return State().AppBytes;
}

HMODULE LoadLibraryEx(const AnsiString& fileName, std::uint32_t) {
    TState& s = State();
    s.LastError.clear();
    auto fail = [&s, &fileName](const AnsiString& why) -> HMODULE {
        s.LastError = fileName + ": " + why;
        return 0;
    };
    if (fileName.empty()) return fail("no file name");
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail(std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return fail("not a regular file");
    if (st.st_size > kMaxModuleFileSize) return fail("the file is too large for a resource library");

    AnsiString fullName = RealPath(fileName);
    for (auto& [handle, m] : s.Modules) {
        if (m->FileName == fullName && m->Dev == st.st_dev && m->Ino == st.st_ino && m->Size == st.st_size &&
            m->MTime.tv_sec == st.st_mtim.tv_sec && m->MTime.tv_nsec == st.st_mtim.tv_nsec) {
            ++m->References;
            return handle;
        }
    }

    auto m = std::make_unique<TLoadedModule>();
    const auto size = static_cast<std::size_t>(st.st_size);
    m->Storage = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, m->Storage.get() + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(std::strerror(errno));
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    m->Bytes = TBytes(m->Storage.get(), done);  // the file may have shrunk meanwhile
    AnsiString error;
    if (!ParseImage(m->Bytes, m->Resources, error)) return fail(error);
    m->Handle = s.NextHandle;
    s.NextHandle += 0x10000;  // never reused: a stale handle finds nothing
    m->FileName = fullName;
    m->Dev = st.st_dev;
    m->Ino = st.st_ino;
    m->Size = st.st_size;
    m->MTime = st.st_mtim;
    m->References = 1;
    HMODULE handle = m->Handle;
    s.Modules.emplace(handle, std::move(m));
    return handle;
}

AnsiString LastLoadError() { return State().LastError; }

bool FreeLibrary(HMODULE module) {
    TState& s = State();
    auto it = s.Modules.find(module);
    if (it == s.Modules.end()) return false;
    if (--it->second->References <= 0) s.Modules.erase(it);
    return true;
}

int ReferenceCount(HMODULE module) {
    if (module == kAppInstance) return 1;
    auto& modules = State().Modules;
    auto it = modules.find(module);
    return it == modules.end() ? 0 : it->second->References;
}

std::span<const std::uint8_t> ModuleImage(HMODULE module) {
    auto view = View(module);
    return view ? view->Bytes : TBytes{};
}

AnsiString GetModuleFileName(HMODULE module) {
    TState& s = State();
    if (module == kAppInstance) {
        if (!s.AppFileNameOverride.empty()) return s.AppFileNameOverride;
        char buffer[PATH_MAX];
        ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        return n > 0 ? AnsiString(buffer, static_cast<std::size_t>(n)) : AnsiString();
    }
    auto it = s.Modules.find(module);
    return it == s.Modules.end() ? AnsiString() : it->second->FileName;
}

void SetAppFileName(const AnsiString& fileName) { State().AppFileNameOverride = fileName; }

HRSRC FindResource(HMODULE module, const TResName& name, const TResName& type) {
    auto view = View(module);
    if (!view) return {};
    for (const auto& e : *view->Resources)
        if (e.Type.Matches(type) && e.Name.Matches(name)) return HRSRC{module, e.Offset, e.Size};
    return {};
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) { return resource; }

const std::uint8_t* LockResource(HGLOBAL resource) {
    if (!resource) return nullptr;
    auto view = View(resource.Module);
    if (!view || !InBounds(view->Bytes, resource.Offset, resource.Size)) return nullptr;
    return view->Bytes.data() + resource.Offset;
}

std::uint32_t SizeofResource(HMODULE, HRSRC resource) { return resource ? resource.Size : 0; }

bool EnumResourceNames(HMODULE module, const TResName& type, const std::function<bool(const TResName&)>& callback) {
    auto view = View(module);
    if (!view) return false;
    // Copy first: the callback may load or free modules.
    std::vector<TResName> names;
    for (const auto& e : *view->Resources)
        if (e.Type.Matches(type)) names.push_back(e.Name);
    for (const auto& n : names)
        if (!callback(n)) break;
    return !names.empty();
}

std::span<const std::uint8_t> ResourceBytes(HMODULE module, const TResName& name, const TResName& type) {
    HRSRC res = FindResource(module, name, type);
    const std::uint8_t* data = LockResource(LoadResource(module, res));
    if (!data) return {};
    return {data, SizeofResource(module, res)};
}

std::optional<WideString> LoadStringW(HMODULE module, int id) {
    if (id < 0 || id > 0xFFFF) return std::nullopt;
    TBytes block = ResourceBytes(module, TResName(id / kStringsPerBlock + 1), TResName(RT_STRING));
    return StringInBlock(block, id % kStringsPerBlock);
}

HMODULE FindResourceModule(HMODULE module) {
    EnsureStartupChoice();
    for (const auto& e : State().Table)
        if (e.Module == module) return e.ResourceModule;
    return module;
}

int ModuleTableCount() {
    EnsureStartupChoice();
    return static_cast<int>(State().Table.size());
}

HMODULE ModuleTableModule(int index) {
    EnsureStartupChoice();
    const auto& table = State().Table;
    if (index < 0 || index >= static_cast<int>(table.size())) rtl::RaiseListIndexError(index);
    return table[static_cast<std::size_t>(index)].Module;
}

HMODULE ModuleTableResource(int index) {
    EnsureStartupChoice();
    const auto& table = State().Table;
    if (index < 0 || index >= static_cast<int>(table.size())) rtl::RaiseListIndexError(index);
    return table[static_cast<std::size_t>(index)].ResourceModule;
}

void SetModuleTableResource(int index, HMODULE resourceModule) {
    EnsureStartupChoice();
    TState& s = State();
    if (index < 0 || index >= static_cast<int>(s.Table.size())) rtl::RaiseListIndexError(index);
    auto& entry = s.Table[static_cast<std::size_t>(index)];
    entry.ResourceModule = resourceModule;
    if (entry.Module == kAppInstance && s.Observer) s.Observer(resourceModule);
}

void SetResourceModuleObserver(TResourceModuleObserver observer) { State().Observer = std::move(observer); }

int SystemCodePage() { return nls::GetACP(); }

int InterfaceCodePage() {
    int cp = State().InterfaceCodePage;
    return cp != 0 ? cp : SystemCodePage();
}

void SetInterfaceCodePage(int codePage) { State().InterfaceCodePage = codePage; }

AnsiString WideToAnsi(const WideString& text, int codePage) {
    if (auto out = nls::WideToMultiByte(codePage, text)) return std::move(*out);
    if (auto out = nls::WideToMultiByte(SystemCodePage(), text)) return std::move(*out);
    AnsiString ascii;
    for (char16_t c : text) ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return ascii;
}

WideString AnsiToWide(const AnsiString& text, int codePage) {
    if (auto out = nls::MultiByteToWide(codePage, text)) return std::move(*out);
    if (auto out = nls::MultiByteToWide(SystemCodePage(), text)) return std::move(*out);
    WideString wide;
    for (unsigned char c : text) wide.push_back(c);
    return wide;
}

void InstallResStringLoader() {
    rtl::SetResStringLoader([](int id) -> std::optional<AnsiString> {
        auto text = LoadStringW(FindResourceModule(AppInstance()), id);
        if (!text) return std::nullopt;
        return WideToAnsi(*text, InterfaceCodePage());
    });
}

void ResetModulesForTests() {
    TState& s = State();
    s.Modules.clear();
    s.Table = {{kAppInstance, kAppInstance}};
    s.ChoiceDone = false;
    s.LastError.clear();
    s.InterfaceCodePage = 0;
}

}  // namespace winres
