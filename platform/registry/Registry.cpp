#include "platform/registry/Registry.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"

namespace registry {

namespace {

// A settings file this large is not ours; reading it would only waste memory.
constexpr std::uintmax_t kMaxStoreSize = 4u << 20;

AnsiString HomeDir() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

char HexDigit(unsigned v) { return "0123456789ABCDEF"[v & 15]; }

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string EscapeKey(const AnsiString& path) {
    std::string out;
    for (unsigned char c : path) {
        if (c < 0x20 || c == 0x7F || c == '%' || c == '[' || c == ']') {
            out += '%';
            out += HexDigit(c >> 4);
            out += HexDigit(c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool UnescapeKey(std::string_view text, AnsiString& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '[' || c == ']') return false;
        if (c != '%') {
            out += c;
            continue;
        }
        if (i + 2 >= text.size()) return false;
        int hi = HexValue(text[i + 1]), lo = HexValue(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

std::string Quote(const AnsiString& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\x";
                    out += HexDigit(c >> 4);
                    out += HexDigit(c);
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + '"';
}

// Reads a quoted string starting at text[pos] (the opening quote); pos ends after the closing one.
bool Unquote(std::string_view text, std::size_t& pos, AnsiString& out) {
    out.clear();
    if (pos >= text.size() || text[pos] != '"') return false;
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= text.size()) return false;
        switch (text[pos]) {
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'x': {
                if (pos + 2 >= text.size()) return false;
                int hi = HexValue(text[pos + 1]), lo = HexValue(text[pos + 2]);
                if (hi < 0 || lo < 0) return false;
                out += static_cast<char>(hi * 16 + lo);
                pos += 2;
                break;
            }
            default: return false;
        }
    }
    return false;  // no closing quote
}

}  // namespace

AnsiString StoreFileName() {
    AnsiString base;
    // The XDG rules ignore a relative XDG_CONFIG_HOME.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        base = rtl::IncludeTrailingPathDelimiter(HomeDir()) + ".config";
    }
    return rtl::IncludeTrailingPathDelimiter(base) + "veilmark/registry.ini";
}

AnsiString TRegistryStore::NormalizePath(const AnsiString& path) {
    AnsiString out;
    std::size_t start = 0;
    while (start <= path.size()) {
        auto sep = path.find('\\', start);
        if (sep == AnsiString::npos) sep = path.size();
        if (sep > start) {
            if (!out.empty()) out += '\\';
            out.append(path, start, sep - start);
        }
        start = sep + 1;
    }
    return out;
}

bool TRegistryStore::Parse(const std::string& text) {
    keys_.clear();
    std::vector<TKey> keys;
    TKey* current = nullptr;
    std::size_t lineStart = 0;
    auto fail = [this] {
        keys_.clear();
        return false;
    };
    while (lineStart < text.size()) {
        auto lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos) lineEnd = text.size();
        std::string_view line(text.data() + lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            if (line.back() != ']' || line.size() < 2) return fail();
            AnsiString path;
            if (!UnescapeKey(line.substr(1, line.size() - 2), path)) return fail();
            path = NormalizePath(path);
            current = nullptr;
            for (auto& k : keys)
                if (rtl::SameText(k.Path, path)) current = &k;
            if (!current) {
                keys.push_back(TKey{path, {}});
                current = &keys.back();
            }
            continue;
        }
        if (!current) return fail();
        std::size_t pos = 0;
        AnsiString name, value;
        if (line[0] == '@') {
            pos = 1;
        } else if (!Unquote(line, pos, name)) {
            return fail();
        }
        if (pos >= line.size() || line[pos] != '=') return fail();
        ++pos;
        if (!Unquote(line, pos, value) || pos != line.size()) return fail();
        current->Values[name] = value;
    }
    keys_ = std::move(keys);
    return true;
}

std::string TRegistryStore::Serialize() const {
    std::string out = "; Veilmark per-user settings\n";
    for (const auto& key : keys_) {
        out += '[' + EscapeKey(key.Path) + "]\n";
        for (const auto& [name, value] : key.Values) {
            out += name.empty() ? std::string("@") : Quote(name);
            out += '=' + Quote(value) + '\n';
        }
    }
    return out;
}

TRegistryStore::TKey* TRegistryStore::FindKey(const AnsiString& path) {
    AnsiString norm = NormalizePath(path);
    for (auto& k : keys_)
        if (rtl::SameText(k.Path, norm)) return &k;
    return nullptr;
}

TRegistryStore::TKey& TRegistryStore::FindOrAddKey(const AnsiString& path) {
    if (TKey* k = FindKey(path)) return *k;
    keys_.push_back(TKey{NormalizePath(path), {}});
    return keys_.back();
}

bool TRegistryStore::KeyExists(const AnsiString& path) const {
    AnsiString norm = NormalizePath(path);
    if (norm.empty()) return true;  // the hive itself
    for (const auto& k : keys_) {
        if (k.Path.size() < norm.size()) continue;
        if (!rtl::SameText(k.Path.substr(0, norm.size()), norm)) continue;
        if (k.Path.size() == norm.size() || k.Path[norm.size()] == '\\') return true;
    }
    return false;
}

TRegistryStore LoadStore(const AnsiString& fileName) {
    TRegistryStore store;
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uintmax_t>(st.st_size) > kMaxStoreSize)
        return store;
    std::ifstream in(fileName, std::ios::binary);
    if (!in) return store;
    std::string text;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxStoreSize) return store;
    }
    store.Parse(text);
    return store;
}

AnsiString TRegistry::FileName() const { return fileName_.empty() ? StoreFileName() : fileName_; }

void TRegistry::Save(const TRegistryStore& store) const {
    AnsiString file = FileName();
    AnsiString dir = rtl::ExtractFileDir(file);
    // Create the folder chain (mode 0700: it holds the user's settings).
    for (std::size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos == dir.size() || dir[pos] == '/') {
            AnsiString part = dir.substr(0, pos);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) break;
        }
    }
    std::string text = store.Serialize();
    rtl::SaveFileAtomically(file, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

bool TRegistry::OpenKey(const AnsiString& key, bool canCreate) {
    AnsiString path = TRegistryStore::NormalizePath(key);
    TRegistryStore store = LoadStore(FileName());
    if (store.KeyExists(path)) {
        current_ = path;
        return true;
    }
    if (!canCreate) return false;
    store.FindOrAddKey(path);
    try {
        Save(store);
    } catch (const rtl::Exception&) {
        throw ERegistryException(ERegistryException::CreateResFmt, SRegCreateKeyFailed, {path});
    }
    current_ = path;
    return true;
}

const AnsiString& TRegistry::CurrentPath() const {
    static const AnsiString empty;
    return current_ ? *current_ : empty;
}

bool TRegistry::KeyExists(const AnsiString& key) const { return LoadStore(FileName()).KeyExists(key); }

std::optional<AnsiString> TRegistry::TryReadString(const AnsiString& name) const {
    if (!current_) return std::nullopt;
    TRegistryStore store = LoadStore(FileName());
    const auto* key = store.FindKey(*current_);
    if (!key) return std::nullopt;
    auto it = key->Values.find(name);
    if (it == key->Values.end()) return std::nullopt;
    return it->second;
}

bool TRegistry::ValueExists(const AnsiString& name) const { return TryReadString(name).has_value(); }

AnsiString TRegistry::ReadString(const AnsiString& name) const { return TryReadString(name).value_or(AnsiString()); }

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value) {
    if (!current_) throw ERegistryException(ERegistryException::CreateResFmt, SRegSetDataFailed, {name});
    TRegistryStore store = LoadStore(FileName());
    auto& values = store.FindOrAddKey(*current_).Values;
    // When the file already holds the value, rewriting it (and waiting for the disk) changes
    // nothing; the program writes its language choice on every start.
    if (auto it = values.find(name); it != values.end() && it->second == value) return;
    values[name] = value;
    try {
        Save(store);
    } catch (const rtl::Exception&) {
        throw ERegistryException(ERegistryException::CreateResFmt, SRegSetDataFailed, {name});
    }
}

bool TRegistry::DeleteValue(const AnsiString& name) {
    if (!current_) return false;
    TRegistryStore store = LoadStore(FileName());
    auto* key = store.FindKey(*current_);
    if (!key || key->Values.erase(name) == 0) return false;
    Save(store);
    return true;
}

}  // namespace registry
