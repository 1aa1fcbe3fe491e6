#pragma once
// File-name and file helpers of the run time (POSIX paths, "/" as the separator).

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "platform/rtl/SysTypes.h"

namespace rtl {

inline constexpr char PathDelim = '/';

bool FileExists(const AnsiString& fileName);       // a file (not a directory) exists
bool DirectoryExists(const AnsiString& dirName);
bool DeleteFile(const AnsiString& fileName);       // true when the file is gone afterwards
bool RenameFile(const AnsiString& from, const AnsiString& to);  // replaces `to` atomically

AnsiString ExtractFilePath(const AnsiString& fileName);  // with the trailing "/"; "" for a bare name
AnsiString ExtractFileDir(const AnsiString& fileName);   // without the trailing "/"
AnsiString ExtractFileName(const AnsiString& fileName);
// The extension of the last path component, with its dot; "" when it has none.
AnsiString ExtractFileExt(const AnsiString& fileName);
// Replaces the extension of the last path component; appends when it has none ("Vlmrk" -> "Vlmrk.ES").
AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& extension);
AnsiString IncludeTrailingPathDelimiter(const AnsiString& path);
AnsiString ExcludeTrailingPathDelimiter(const AnsiString& path);
// A full path: relative names are taken against the current directory; "." and ".." resolved
// textually; the file need not exist.
AnsiString ExpandFileName(const AnsiString& fileName);
AnsiString GetCurrentDir();

// Writes the bytes to a temporary file in the target's folder and renames it over the target,
// so the old file stays untouched when anything fails. The written file reaches the disk before
// it replaces the target. Raises EFCreateError or EWriteError.
void SaveFileAtomically(const AnsiString& fileName, std::span<const std::uint8_t> bytes);
// The same without waiting for the disk, for files the program can make again when they are
// lost or do not read (a language module): the caller flushes the file soon after with
// FlushFileToDisk. Until then a system crash may leave the target missing or short.
void SaveFileAtomicallyUnflushed(const AnsiString& fileName, std::span<const std::uint8_t> bytes);
// Waits until the file's contents are on the disk. A file that is no longer there is no error
// (it was replaced or removed since); raises EWriteError when the flush fails.
void FlushFileToDisk(const AnsiString& fileName);
// The same for bytes given in parts, written one after the other without joining them first.
void SaveFileAtomically(const AnsiString& fileName, std::span<const std::span<const std::uint8_t>> parts);
// A check of the written temporary file (its name is passed), run after it is complete and closed
// and before it replaces the target. When the check raises, the temporary file is removed, the
// target stays as it was, and the error goes on to the caller.
using TWrittenFileCheck = std::function<void(const AnsiString& writtenFile)>;
void SaveFileAtomically(const AnsiString& fileName, std::span<const std::span<const std::uint8_t>> parts,
                        const TWrittenFileCheck& check);
// The same for a writer that fills the open temporary file (a file descriptor) itself and
// answers false when a write failed.
void SaveFileAtomically(const AnsiString& fileName, const std::function<bool(int fd)>& write,
                        const TWrittenFileCheck& check = {});

}  // namespace rtl
