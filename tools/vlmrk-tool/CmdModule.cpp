// vlmrk-tool module: resource images as JSON, the program's own image as a file, and (for the
// build) the writer of the program image.

#include <array>
#include <cstdio>
#include <cstring>

#include "langdata/LangPack.h"
#include "langdata/LocLangFile.h"
#include "locstore/LocStorage.h"
#include "modres/ModuleSettings.h"
#include "modres/WinResProc.h"
#include "platform/rtl/FileUtils.h"
#include "platform/winres/WinRes.h"
#include "resources/messages/CatalogueStrings.h"
#include "tools/vlmrk-tool/Json.h"
#include "tools/vlmrk-tool/Options.h"
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {

namespace {

using rtl::AnsiString;

// SHA-256 of a byte block, as lower-case hexadecimal.
std::string Sha256Hex(std::span<const std::uint8_t> data) {
    static constexpr std::uint32_t k[64] = {
        0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
        0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
        0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
        0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
        0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
        0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
        0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
        0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
    std::uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    auto rotr = [](std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
    std::vector<std::uint8_t> msg(data.begin(), data.end());
    const std::uint64_t bits = static_cast<std::uint64_t>(data.size()) * 8;
    msg.push_back(0x80);
    while (msg.size() % 64 != 56) msg.push_back(0);
    for (int i = 7; i >= 0; --i) msg.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    for (std::size_t chunk = 0; chunk < msg.size(); chunk += 64) {
        std::uint32_t w[64];
        for (int i = 0; i < 16; ++i)
            w[i] = (static_cast<std::uint32_t>(msg[chunk + 4 * i]) << 24) | (static_cast<std::uint32_t>(msg[chunk + 4 * i + 1]) << 16) |
                   (static_cast<std::uint32_t>(msg[chunk + 4 * i + 2]) << 8) | msg[chunk + 4 * i + 3];
        for (int i = 16; i < 64; ++i) {
            std::uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            std::uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t t1 = hh + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + k[i] + w[i];
            std::uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            hh = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        h[0] += a; h[1] += b; h[2] += c; h[3] += d; h[4] += e; h[5] += f; h[6] += g; h[7] += hh;
    }
    std::string out;
    char buffer[9];
    for (std::uint32_t v : h) {
        std::snprintf(buffer, sizeof buffer, "%08x", v);
        out += buffer;
    }
    return out;
}

void WriteSettings(JsonWriter& json, modres::TResRCDataItem& item) {
    modres::TSettingsRecord record;
    bool damaged = false;
    try {
        modres::ReadSettingsRecord(*item.Data, record);
    } catch (const rtl::Exception&) {
        damaged = true;  // what was read before the record ended is still shown
    }
    json.BeginObject();
    json.Key("magic").String(winres::AnsiToWide(record.Magic, winres::SystemCodePage()));
    json.Key("version").Int(record.Version);
    json.Key("languageId").Int(record.LanguageId);
    json.Key("englishName").String(winres::AnsiToWide(record.EnglishName, winres::SystemCodePage()));
    json.Key("nativeName").String(record.NativeName);
    if (record.CopiedWord) json.Key("copiedWord").Int(*record.CopiedWord);
    if (record.HasBuild) json.Key("build").Int(record.Build);
    if (damaged) json.Key("damaged").Bool(true);
    json.EndObject();
}

void Dump(modres::TResProcessor& proc) {
    JsonWriter json;
    json.BeginObject();
    json.Key("strings").BeginArray();
    if (auto* strings = proc.FindStrings())
        for (const auto& s : strings->Strings) json.BeginObject().Key("id").Int(s->Id).Key("text").String(s->Text).EndObject();
    json.EndArray();
    json.Key("rcdata").BeginArray();
    auto* rcdata = proc.FindRCData();
    if (rcdata) {
        for (const auto& item : rcdata->Items) {
            json.BeginObject();
            json.Key("name").String(winres::AnsiToWide(item->Name, winres::SystemCodePage()));
            json.Key("isNumber").Bool(item->IsNumber);
            json.Key("size").Int(item->Data->Size());
            json.Key("sha256").String(Sha256Hex(item->Data->View()));
            json.EndObject();
        }
    }
    json.EndArray();
    json.Key("settings").BeginObject();
    for (const char* name : {modres::kExeSettingsName, modres::kLibSettingsName}) {
        if (auto* item = rcdata ? rcdata->FindItem(name) : nullptr) {
            json.Key(name);
            WriteSettings(json, *item);
        }
    }
    json.EndObject();
    json.EndObject();
    std::printf("%s\n", json.Text().c_str());
}

std::vector<std::uint8_t> SelfImage() {
    auto image = winres::AppImage();
    if (image.empty()) throw rtl::Exception("this executable carries no program image");
    return {image.begin(), image.end()};
}

void SaveBytes(const AnsiString& fileName, std::span<const std::uint8_t> bytes) { rtl::SaveFileAtomically(fileName, bytes); }

// The program image: every declared message string, the RCDATA files given, and the two settings
// records, whose fingerprint covers the strings and the forms among those files.
int WriteImage(const Args& args) {
    std::vector<std::string> items;
    TOptions options;
    options.Values("--rcdata", items);
    const Args positional = options.Parse(args, 1);
    if (positional.size() != 1) throw EUsage("module write-image OUT [--rcdata NAME=FILE]...");
    modres::TResProcessor proc;
    auto strings = std::make_unique<modres::TResString>(&proc);
    messages::AddCatalogueStrings(*strings);
    proc.AddBlock(std::move(strings));
    auto rcdata = std::make_unique<modres::TResRCData>(&proc);
    for (const AnsiString& item : items) {
        auto eq = item.find('=');
        if (eq == AnsiString::npos || eq == 0) throw EUsage("--rcdata wants NAME=FILE, not \"" + item + "\"");
        rtl::TMemoryStream data;
        data.LoadFromFile(item.substr(eq + 1));
        rcdata->AddItem(item.substr(0, eq), false)->LoadData(data);
    }
    proc.AddBlock(std::move(rcdata));
    modres::AddProgramSettings(proc);
    rtl::TMemoryStream out;
    proc.SaveToStream(out);
    SaveBytes(positional[0], out.View());
    return 0;
}

// A language module: the native language (the first of the native resources' language pack, or
// --native-lng) as structure, LNG in a new slot, built from the tool's own program image or from
// --native-module.
int BuildModule(const Args& args) {
    AnsiString lngFile, outFile, nativeLng, nativeModule;
    TOptions options;
    options.Value("--native-lng", nativeLng).Value("--native-module", nativeModule);
    const Args positional = options.Parse(args, 1);
    if (positional.size() != 2) throw EUsage("module build LNG OUT [--native-lng FILE] [--native-module FILE]");
    lngFile = positional[0];
    outFile = positional[1];

    locstore::TLocStorage store;
    if (!nativeLng.empty()) {
        if (!rtl::FileExists(nativeLng)) throw rtl::Exception("native language file \"" + nativeLng + "\" not found");
        langdata::TLangFile native(nativeLng, true);
        native.LoadFromFile(&store, -1, 0);
    } else {
        // The native module's pack, else the program's own.
        rtl::TMemoryStream nativeFile;
        bool found = false;
        for (int pass = nativeModule.empty() ? 1 : 0; pass < 2 && !found; ++pass) {
            modres::TResProcessor source;
            if (pass == 0) source.LoadFromFile(nativeModule);
            else if (!winres::AppImage().empty()) source.LoadFromImage("<self>", SelfImage());
            modres::TResRCDataItem* pack = source.FindRCData() ? source.FindRCData()->FindItem(modres::kLangPackName) : nullptr;
            found = pack && langdata::ReadLanguagePack(pack->Data->View(), 0, 0, &nativeFile);
        }
        if (!found) throw rtl::Exception("the native resources carry no language pack; give --native-lng");
        nativeFile.SetPosition(0);
        langdata::TLangFile native;
        native.LoadFromStream(nativeFile, &store, 0, -1);
    }

    if (!rtl::FileExists(lngFile)) throw rtl::Exception("language file \"" + lngFile + "\" not found");
    langdata::TLangFile lang(lngFile, true);
    const int slot = store.AddLanguage(0, static_cast<std::uint16_t>(lang.LanguageId()));
    lang.LoadFromFile(&store, slot, 0);
    lang.SetLanguageIndex(slot);
    if (nativeModule.empty()) {
        SelfImage();  // refuses a tool without a program image
        lang.BuildLanguageModule(winres::AppInstance(), outFile, &store, AnsiString());
    } else {
        lang.BuildLanguageModule(std::nullopt, outFile, &store, nativeModule);
    }
    JsonWriter json;
    json.BeginObject().Key("module").String(winres::AnsiToWide(outFile, winres::SystemCodePage()));
    json.Key("languageId").Int(lang.LanguageId()).EndObject();
    std::printf("%s\n", json.Text().c_str());
    return 0;
}

}  // namespace

int RunModule(const Args& args) {
    if (args.empty()) throw EUsage("missing module command");
    const auto& cmd = args[0];
    if (cmd == "dump") {
        bool self = false;
        TOptions options;
        options.Flag("--self", self);
        const Args files = options.Parse(args, 1);
        if (files.size() != (self ? 0u : 1u)) throw EUsage("module dump wants one FILE or --self");
        modres::TResProcessor proc;
        if (self) proc.LoadFromImage("<self>", SelfImage());
        else proc.LoadFromFile(files[0]);
        Dump(proc);
        return 0;
    }
    if (cmd == "write-native") {
        const Args files = TOptions().Parse(args, 1);
        if (files.size() != 1) throw EUsage("module write-native wants OUT");
        SaveBytes(files[0], SelfImage());
        return 0;
    }
    if (cmd == "write-image") return WriteImage(args);
    if (cmd == "build") return BuildModule(args);
    throw EUsage("unknown module command \"" + cmd + "\"");
}

}  // namespace tool
