// The language catalogue: the languages of the language folders (and, filled by the controller,
// of the pack), sorted by English name.

#include "localizer/LocOnFly.h"

#include "langdata/LocLangFile.h"
#include "localizer/ProgramFiles.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/winres/FileSearch.h"

namespace localizer {

using detail::AppDir;
using detail::ExeName;

TLFInfoList::TLFInfoList() : FullFolder(rtl::GetCurrentDir()) {}

int TLFInfoList::IndexOfLanguage(std::uint32_t id, bool includeNative) const {
    const int native = includeNative ? -1 : NativeIndex();
    for (int i = 0; i < Count(); ++i)
        if (i != native && ItemAt(i)->LanguageId == id) return i;
    return -1;
}

int TLFInfoList::NativeIndex() const {
    for (int i = 0; i < Count(); ++i)
        if (ItemAt(i)->IsNative) return i;
    return -1;
}

bool TLFInfoList::IsPackOnly(std::uint32_t id) const {
    int index = IndexOfLanguage(id);
    return index >= 0 && ItemAt(index)->FileName.empty();
}

int TLFInfoList::AddSorted(std::unique_ptr<TLFInfo> info) {
    info->Owner = this;
    int index = 0;
    while (index < Count() && !(ItemAt(index)->EnglishName > info->EnglishName)) ++index;
    Insert(index, std::move(info));
    return index;
}

void TLFInfoList::SetFolder(const AnsiString& path) {
    if (path == Folder && !Folder.empty()) return;
    AnsiString full = rtl::ExcludeTrailingPathDelimiter(winres::ResolvePath(AppDir(), path));
    if (full.empty()) full = "/";
    if (!rtl::DirectoryExists(full)) throw ELocOnFlyError(ELocOnFlyError::CreateResFmt, SLocPathNotExist, {full});
    Folder = path;
    FullFolder = full;
    Rescan();
}

void TLFInfoList::Rescan() {
    const AnsiString pattern = winres::CompanionFileName(ExeName(), "*.lng");
    // The language folder first, then the XDG data folders: the first file of a language wins.
    std::vector<std::uint32_t> seen;
    for (const AnsiString& folder : winres::LanguageFolders(FullFolder)) {
        std::vector<std::uint32_t> seenHere;
        for (const AnsiString& name : winres::FindFiles(folder, pattern)) {
            try {
                langdata::TLangFile file(rtl::IncludeTrailingPathDelimiter(folder) + name, true);
                // A file that vanished between the listing and the read has no language.
                if (file.LanguageId() == 0 && file.EnglishName().empty()) continue;
                if (std::find(seen.begin(), seen.end(), file.LanguageId()) != seen.end()) continue;
                seenHere.push_back(file.LanguageId());
                int index = IndexOfLanguage(file.LanguageId());
                TLFInfo* entry = nullptr;
                if (index < 0) {
                    auto info = std::make_unique<TLFInfo>();
                    info->LanguageId = file.LanguageId();
                    info->EnglishName = file.EnglishName();
                    info->NativeName = file.NativeName();
                    entry = info.get();
                    AddSorted(std::move(info));
                } else {
                    entry = ItemAt(index);
                    entry->EnglishName = file.EnglishName();
                }
                entry->FileName = name;
                entry->IsNative = file.IsNative();
            } catch (const std::exception&) {
                // An unreadable language file is simply not offered.
            }
        }
        seen.insert(seen.end(), seenHere.begin(), seenHere.end());
    }
}

}  // namespace localizer
