#include "platform/winres/FileSearch.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/winres/WinRes.h"

namespace winres {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool IsRegularFile(const AnsiString& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The folder's entries, none when it cannot be opened; the DIR handle is closed on every path.
std::optional<std::vector<AnsiString>> ReadFolder(const AnsiString& folder) {
    std::vector<AnsiString> names;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return std::nullopt;
    while (const dirent* e = ::readdir(dir)) {
        AnsiString name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

std::vector<AnsiString> ListFolder(const AnsiString& folder) { return ReadFolder(folder).value_or(std::vector<AnsiString>()); }

// The names in a folder, kept while the folder stays as it was: its modification time changes
// whenever an entry is added, removed or renamed. A switch looks for a language file in every
// language folder, and listing them each time was a tenth of the switch. A listing taken less
// than two seconds after the folder last changed is not kept, since some file systems keep
// times in whole (or even) seconds and a change within that tick would go unseen. Empty when
// the folder cannot be listed.
std::optional<std::vector<AnsiString>> FolderNames(const AnsiString& folder, const struct stat& folderStat) {
    struct TListing {
        dev_t Dev;
        ino_t Ino;
        timespec MTime;
        std::vector<AnsiString> Names;
    };
    static std::mutex guard;
    static std::map<AnsiString, TListing> kept;
    std::lock_guard lock(guard);
    const timespec& mtime = folderStat.st_mtim;
    if (auto at = kept.find(folder); at != kept.end()) {
        const TListing& l = at->second;
        if (l.Dev == folderStat.st_dev && l.Ino == folderStat.st_ino && l.MTime.tv_sec == mtime.tv_sec &&
            l.MTime.tv_nsec == mtime.tv_nsec)
            return l.Names;
        kept.erase(at);
    }
    std::optional<std::vector<AnsiString>> names = ReadFolder(folder);
    if (!names) return std::nullopt;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec - mtime.tv_sec >= 2 && kept.size() < 64)
        kept[folder] = TListing{folderStat.st_dev, folderStat.st_ino, mtime, *names};
    return names;
}

void MakeFolders(const AnsiString& dir) {
    for (std::size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos == dir.size() || dir[pos] == '/') {
            AnsiString part = dir.substr(0, pos);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
        }
    }
}

// $HOME, else the password database's home, else "/tmp"; without "/" at the end.
AnsiString HomeFolder() {
    const char* home = std::getenv("HOME");
    AnsiString h = home && *home ? AnsiString(home) : AnsiString();
    if (h.empty())
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) h = pw->pw_dir;
    return h.empty() ? AnsiString("/tmp") : rtl::ExcludeTrailingPathDelimiter(h);
}

// An XDG variable's absolute value, or the fallback when it is unset, empty or relative.
AnsiString XdgFolder(const char* variable, const AnsiString& fallback) {
    const char* value = std::getenv(variable);
    return value && value[0] == '/' ? AnsiString(value) : fallback;
}

std::vector<AnsiString> SplitPathList(const AnsiString& list) {
    std::vector<AnsiString> parts;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == AnsiString::npos) end = list.size();
        parts.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace

bool MatchesMask(const AnsiString& name, const AnsiString& pattern) {
    // Iterative wildcard match with one backtrack point: linear in practice, never recursive.
    std::size_t n = 0, p = 0, starP = AnsiString::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Upper(pattern[p]) == Upper(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != AnsiString::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<AnsiString> FindFiles(const AnsiString& folder, const AnsiString& pattern) {
    std::vector<AnsiString> found;
    AnsiString prefix = folder.empty() ? AnsiString() : rtl::IncludeTrailingPathDelimiter(folder);
    for (const auto& name : ListFolder(folder))
        if (MatchesMask(name, pattern) && IsRegularFile(prefix + name)) found.push_back(name);
    return found;
}

std::optional<AnsiString> FindFileNoCase(const AnsiString& folder, const AnsiString& name) {
    if (name.empty() || name.find('/') != AnsiString::npos) return std::nullopt;
    AnsiString prefix = rtl::IncludeTrailingPathDelimiter(folder.empty() ? rtl::GetCurrentDir() : folder);
    struct stat folderStat {};
    if (::stat(folder.empty() ? "." : folder.c_str(), &folderStat) != 0 || !S_ISDIR(folderStat.st_mode))
        return std::nullopt;
    const auto names = FolderNames(folder, folderStat);
    // A folder that may be searched but not listed still finds the exact name.
    if (!names) return IsRegularFile(prefix + name) ? std::optional<AnsiString>(prefix + name) : std::nullopt;
    // The exact name first, then any other case of it.
    for (const auto& entry : *names)
        if (entry == name && IsRegularFile(prefix + entry)) return prefix + entry;
    for (const auto& entry : *names)
        if (rtl::SameText(entry, name) && IsRegularFile(prefix + entry)) return prefix + entry;
    return std::nullopt;
}

AnsiString ResolvePath(const AnsiString& base, const AnsiString& path) {
    if (!path.empty() && path[0] == '/') return rtl::ExpandFileName(path);
    AnsiString full = rtl::ExpandFileName(base.empty() ? rtl::GetCurrentDir() : base);
    return rtl::ExpandFileName(rtl::IncludeTrailingPathDelimiter(full) + path);
}

AnsiString CompanionFileName(const AnsiString& appFileName, const AnsiString& suffix) {
    return rtl::ExtractFileName(appFileName) + "." + suffix;
}

namespace {

std::vector<AnsiString> WorkOutLanguageFolders(const AnsiString& primary) {
    std::vector<AnsiString> folders;
    auto add = [&folders](const AnsiString& folder) {
        if (folder.empty() || folder[0] != '/') return;
        AnsiString clean = rtl::ExcludeTrailingPathDelimiter(rtl::ExpandFileName(folder));
        if (clean.empty()) clean.push_back('/');  // the root folder itself
        for (const auto& known : folders)
            if (known == clean) return;
        folders.push_back(clean);
    };
    // An empty base stands for the current folder, asked for only when the path is relative.
    add(primary.empty() ? rtl::GetCurrentDir() : ResolvePath(AnsiString(), primary));
    add(rtl::IncludeTrailingPathDelimiter(XdgFolder("XDG_DATA_HOME", HomeFolder() + "/.local/share")) + "veilmark/lang");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    const AnsiString list = dataDirs && *dataDirs ? AnsiString(dataDirs) : AnsiString("/usr/local/share:/usr/share");
    for (const auto& dir : SplitPathList(list))
        if (!dir.empty() && dir[0] == '/') add(rtl::IncludeTrailingPathDelimiter(dir) + "veilmark/lang");
    return folders;
}

}  // namespace

// Every switch asks for the folders: they are worked out again only when what they come from
// changed (the primary folder, the current folder for a relative one, the XDG variables).
std::vector<AnsiString> LanguageFolders(const AnsiString& primary) {
    AnsiString key = primary;
    if (primary.empty() || primary[0] != '/') key += '\0' + rtl::GetCurrentDir();
    for (const char* variable : {"XDG_DATA_HOME", "HOME", "XDG_DATA_DIRS"}) {
        const char* value = std::getenv(variable);
        key += '\0';
        if (value) key += value;
    }
    static std::mutex guard;
    static AnsiString lastKey;
    static std::vector<AnsiString> lastFolders;
    std::lock_guard lock(guard);
    if (key != lastKey || lastFolders.empty()) {
        lastFolders = WorkOutLanguageFolders(primary);
        lastKey = std::move(key);
    }
    return lastFolders;
}

std::optional<AnsiString> FindLanguageFile(const AnsiString& primary, const AnsiString& name) {
    for (const auto& folder : LanguageFolders(primary))
        if (auto found = FindFileNoCase(folder, name)) return found;
    return std::nullopt;
}

AnsiString CacheFolder() {
    const AnsiString base = XdgFolder("XDG_CACHE_HOME", HomeFolder() + "/.cache");
    return rtl::IncludeTrailingPathDelimiter(base) + "veilmark/";
}

AnsiString ModuleFolder() {
    AnsiString exeDir = rtl::ExtractFilePath(GetModuleFileName(AppInstance()));
    if (!exeDir.empty() && ::access(exeDir.c_str(), W_OK | X_OK) == 0) return exeDir;
    AnsiString cache = CacheFolder();
    MakeFolders(rtl::ExcludeTrailingPathDelimiter(cache));
    return cache;
}

}  // namespace winres
