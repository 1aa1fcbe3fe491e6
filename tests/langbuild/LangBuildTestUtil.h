#pragma once
// Helpers of the form processor and module builder tests: form sources to streams and back,
// stores made from translation sources, native resource images like the program's.

#include <cstdint>
#include <string>
#include <vector>

#include "langdata/LocLangFile.h"
#include "locstore/LocStorage.h"
#include "modres/WinResProc.h"

namespace langbuild_test {

std::vector<std::uint8_t> CompileForm(const std::string& text);
std::string Decompile(std::span<const std::uint8_t> bytes);
std::string ReadTextFile(const std::string& path);
std::string DataFile(const std::string& name);    // tests/data/langbuild/<name>
std::string FormSource(const std::string& name);  // resources/forms/<name>

// The store's structure and base values from a native source.
void LoadNative(locstore::TLocStorage& store, const std::string& source);
// A translation source compiled to a language file and loaded into a new slot of the store. The
// file object that read it (header fields, LanguageIndex set) is returned through `file`.
int AddTranslation(locstore::TLocStorage& store, const std::string& source, langdata::TLangFile* file = nullptr);
// A language file (format 7) made from a source.
std::vector<std::uint8_t> LanguageFileOf(const std::string& source);

// The program's resources as the build makes them: every message string, the real TFORM1 and
// TABOUTBOX, a language pack holding the native file, and both settings records.
struct TNativeOptions {
    bool Forms = true;
    bool LibSettings = true;
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> ExtraRCData;
};
std::vector<std::uint8_t> NativeImage(const TNativeOptions& options = {});
void LoadImage(modres::TResProcessor& processor, const std::vector<std::uint8_t>& image);

// A fresh folder under the test's cache folder.
std::string TempDir(const std::string& name);

}  // namespace langbuild_test
