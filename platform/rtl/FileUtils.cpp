#include "platform/rtl/FileUtils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/rtl/Exception.h"
#include "platform/rtl/RtlConsts.h"

namespace rtl {

bool FileExists(const AnsiString& fileName) {
    struct stat st {};
    return !fileName.empty() && ::stat(fileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const AnsiString& dirName) {
    struct stat st {};
    return !dirName.empty() && ::stat(dirName.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(const AnsiString& fileName) {
    if (::unlink(fileName.c_str()) == 0) return true;
    return errno == ENOENT;
}

bool RenameFile(const AnsiString& from, const AnsiString& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

AnsiString ExtractFilePath(const AnsiString& fileName) {
    auto slash = fileName.rfind(PathDelim);
    return slash == AnsiString::npos ? AnsiString() : fileName.substr(0, slash + 1);
}

AnsiString ExtractFileDir(const AnsiString& fileName) {
    auto slash = fileName.rfind(PathDelim);
    if (slash == AnsiString::npos) return {};
    return slash == 0 ? AnsiString("/") : fileName.substr(0, slash);
}

AnsiString ExtractFileName(const AnsiString& fileName) {
    auto slash = fileName.rfind(PathDelim);
    return slash == AnsiString::npos ? fileName : fileName.substr(slash + 1);
}

namespace {
AnsiString::size_type ExtensionStart(const AnsiString& fileName) {
    auto slash = fileName.rfind(PathDelim);
    auto dot = fileName.rfind('.');
    if (dot == AnsiString::npos || (slash != AnsiString::npos && dot < slash)) return AnsiString::npos;
    return dot;
}
}  // namespace

AnsiString ExtractFileExt(const AnsiString& fileName) {
    auto dot = ExtensionStart(fileName);
    return dot == AnsiString::npos ? AnsiString() : fileName.substr(dot);
}

AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension) {
    auto dot = ExtensionStart(fileName);
    return (dot == AnsiString::npos ? fileName : fileName.substr(0, dot)) + extension;
}

AnsiString IncludeTrailingPathDelimiter(const AnsiString& path) {
    return (!path.empty() && path.back() == PathDelim) ? path : path + PathDelim;
}

AnsiString ExcludeTrailingPathDelimiter(const AnsiString& path) {
    if (path.size() > 1 && path.back() == PathDelim) return path.substr(0, path.size() - 1);
    return path;
}

AnsiString GetCurrentDir() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? AnsiString(buffer) : AnsiString("/");
}

AnsiString ExpandFileName(const AnsiString& fileName) {
    AnsiString full = (!fileName.empty() && fileName[0] == PathDelim)
                          ? fileName
                          : IncludeTrailingPathDelimiter(GetCurrentDir()) + fileName;
    std::vector<AnsiString> parts;
    std::size_t start = 0;
    while (start <= full.size()) {
        auto slash = full.find(PathDelim, start);
        if (slash == AnsiString::npos) slash = full.size();
        AnsiString part = full.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    if (parts.empty()) return AnsiString(1, PathDelim);
    AnsiString out;
    for (const auto& part : parts) {
        out += PathDelim;
        out += part;
    }
    if (fileName.size() > 1 && fileName.back() == PathDelim && out != "/") out += PathDelim;
    return out;
}

namespace {

// Gathered writes, so that callers with many parts (rows of a picture) need not join them.
bool WriteParts(int fd, std::span<const std::span<const std::uint8_t>> parts) {
    std::size_t part = 0, done = 0;  // next part, and bytes of it already written
    while (part < parts.size()) {
        iovec iov[64];
        int count = 0;
        for (std::size_t i = part; i < parts.size() && count < static_cast<int>(std::size(iov)); ++i) {
            const std::size_t skip = i == part ? done : 0;
            if (parts[i].size() == skip) continue;
            iov[count].iov_base = const_cast<std::uint8_t*>(parts[i].data() + skip);
            iov[count].iov_len = parts[i].size() - skip;
            ++count;
        }
        if (count == 0) break;
        ssize_t n = ::writev(fd, iov, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        auto left = static_cast<std::size_t>(n);
        while (part < parts.size() && left >= parts[part].size() - done) {
            left -= parts[part].size() - done;
            done = 0;
            ++part;
        }
        done += left;
    }
    return true;
}

enum class TFlush { Now, Later };

void SaveThroughTemporaryFile(const AnsiString& fileName, const std::function<bool(int fd)>& write,
                              const TWrittenFileCheck& check, TFlush flush) {
    AnsiString dir = ExtractFilePath(fileName);
    AnsiString pattern = (dir.empty() ? AnsiString("./") : dir) + "." + ExtractFileName(fileName) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0)
        throw EFCreateError(EFCreateError::CreateResFmt, SFCreateErrorEx, {fileName, AnsiString(std::strerror(errno))});
    bool ok = false;
    try {
        ok = write(fd);
    } catch (...) {
        ::close(fd);
        ::unlink(name.data());
        throw;
    }
    // Keep the usual permissions of a new file (mkstemp creates 0600).
    mode_t mask = ::umask(0);
    ::umask(mask);
    ok = ok && ::fchmod(fd, 0666 & ~mask) == 0;
    ok = ok && (flush == TFlush::Later || ::fsync(fd) == 0);
    ok = (::close(fd) == 0) && ok;
    if (ok && check) {
        try {
            check(AnsiString(name.data()));
        } catch (...) {
            ::unlink(name.data());
            throw;
        }
    }
    if (!ok || ::rename(name.data(), fileName.c_str()) != 0) {
        int err = errno;
        ::unlink(name.data());
        if (!ok) throw EWriteError(EWriteError::CreateRes, SWriteError);
        throw EFCreateError(EFCreateError::CreateResFmt, SFCreateErrorEx, {fileName, AnsiString(std::strerror(err))});
    }
}

std::span<const std::span<const std::uint8_t>, 1> OnePart(const std::span<const std::uint8_t>& bytes) {
    return std::span<const std::span<const std::uint8_t>, 1>(&bytes, 1);
}

}  // namespace

void SaveFileAtomically(const AnsiString& fileName, std::span<const std::uint8_t> bytes) {
    SaveFileAtomically(fileName, OnePart(bytes));
}

void SaveFileAtomicallyUnflushed(const AnsiString& fileName, std::span<const std::uint8_t> bytes) {
    SaveThroughTemporaryFile(fileName, [&bytes](int fd) { return WriteParts(fd, OnePart(bytes)); }, {}, TFlush::Later);
}

void FlushFileToDisk(const AnsiString& fileName) {
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return;
        throw EWriteError(EWriteError::CreateRes, SWriteError);
    }
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    if (!ok) throw EWriteError(EWriteError::CreateRes, SWriteError);
}

void SaveFileAtomically(const AnsiString& fileName, std::span<const std::span<const std::uint8_t>> parts) {
    SaveFileAtomically(fileName, parts, TWrittenFileCheck());
}

void SaveFileAtomically(const AnsiString& fileName, std::span<const std::span<const std::uint8_t>> parts,
                        const TWrittenFileCheck& check) {
    SaveFileAtomically(fileName, [parts](int fd) { return WriteParts(fd, parts); }, check);
}

void SaveFileAtomically(const AnsiString& fileName, const std::function<bool(int fd)>& write,
                        const TWrittenFileCheck& check) {
    SaveThroughTemporaryFile(fileName, write, check, TFlush::Now);
}

}  // namespace rtl
