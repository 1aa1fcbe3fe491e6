#pragma once
// The per-user settings store that stands in for the registry's current-user hive.
//
// One file, $XDG_CONFIG_HOME/veilmark/registry.ini (default ~/.config/veilmark/registry.ini),
// holds keys ("Software\Veilmark\Locales") with string values. Key paths compare without regard
// to ASCII case; value names are kept and compared exactly, whatever bytes they hold (executable
// paths with "=", "]" or line breaks included). Every change rewrites the file atomically, so a
// crash never leaves half a file. A missing, unreadable or damaged file reads as empty.
//
// There is no local-machine hive and no legacy key on this platform.
//
// File layout, one record per line:
//     [Software\Veilmark\Locales]          a key; '%', '[', ']' and control bytes as %XX
//     "value name"="value"                  names and values quoted, '\\' '\"' \n \r \t \xHH
//     @="value"                             the key's unnamed value

#include <map>
#include <optional>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/SysTypes.h"

namespace registry {

using rtl::AnsiString;

VLMRK_RESSTRING(SRegCreateKeyFailed, 65180, "Registry", "Failed to create key %s");
VLMRK_RESSTRING(SRegSetDataFailed, 65181, "Registry", "Failed to set data for '%s'");

VLMRK_DECLARE_EXCEPTION(ERegistryException, rtl::Exception);

// The store's file name, from the environment at the time of the call.
AnsiString StoreFileName();

// The whole store in memory: key path (as first written) -> value name -> value.
class TRegistryStore {
public:
    struct TKey {
        AnsiString Path;
        std::map<AnsiString, AnsiString> Values;  // "" is the unnamed value
    };

    // Parses the file's text; false (and an empty store) when the text is damaged.
    bool Parse(const std::string& text);
    std::string Serialize() const;

    TKey* FindKey(const AnsiString& path);
    TKey& FindOrAddKey(const AnsiString& path);
    // True when the key is stored, or some stored key lies below it.
    bool KeyExists(const AnsiString& path) const;
    const std::vector<TKey>& Keys() const { return keys_; }

    // "\\Software\\\\Veilmark\\" -> "Software\\Veilmark": no empty components.
    static AnsiString NormalizePath(const AnsiString& path);

private:
    std::vector<TKey> keys_;
};

// Reads the store's file (empty when missing or damaged).
TRegistryStore LoadStore(const AnsiString& fileName);

// A key opened in the current user's hive, in the manner of the toolkit's registry class.
class TRegistry : public rtl::TObject {
public:
    TRegistry() = default;
    // For tests: a store file other than the one the environment names.
    explicit TRegistry(AnsiString storeFileName) : fileName_(std::move(storeFileName)) {}

    // Opens the key; with canCreate a missing key is created (and written). Answers false when
    // the key is missing and may not be created. Raises ERegistryException when creating fails.
    bool OpenKey(const AnsiString& key, bool canCreate);
    void CloseKey() { current_.reset(); }
    const AnsiString& CurrentPath() const;
    bool KeyExists(const AnsiString& key) const;

    bool ValueExists(const AnsiString& name) const;
    // The value, or "" when it (or the open key) is missing.
    AnsiString ReadString(const AnsiString& name) const;
    std::optional<AnsiString> TryReadString(const AnsiString& name) const;
    // Writes the value under the open key; a value the file already holds leaves the file
    // untouched. Raises ERegistryException when no key is open or the file cannot be written.
    void WriteString(const AnsiString& name, const AnsiString& value);
    // Removes the value; false when it was not there.
    bool DeleteValue(const AnsiString& name);

private:
    AnsiString FileName() const;
    void Save(const TRegistryStore& store) const;

    AnsiString fileName_;
    std::optional<AnsiString> current_;
};

}  // namespace registry
