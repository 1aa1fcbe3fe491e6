// vlmrk-tool bmp: bitmap files as the program reads them.
//
//   bmp info FILE      what the file's headers say, as JSON: header kind, size, bits per pixel,
//                      compression, masks, row order, palette size
//   bmp png FILE OUT   the decoded picture as PNG, exactly as the windows draw it ("-" for OUT
//                      writes to standard output)
//
// Both load the whole file with the program's own reader first, so they refuse exactly the files
// the program refuses, with its message. The PNG is made from TBitmap::ToBGRA, the expansion the
// image control draws from, so a reference picture checks the decoding the user sees.


#include <cstdio>
#include <cstring>

#include "platform/bitmap/Bitmap.h"
#include "platform/bitmap/BmpFile.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "tools/vlmrk-tool/Json.h"
#include "tools/vlmrk-tool/Options.h"
#include "tools/vlmrk-tool/PngWrite.h"
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {

namespace {

struct TLoadedBmp {
    bitmap::TBmpHeaders Headers;
    bitmap::TBitmap Picture;
};

// Reads the headers for what they say, then the whole file as the program loads it.
TLoadedBmp LoadBmp(const std::string& fileName) {
    rtl::TMemoryStream file;
    file.LoadFromFile(fileName);
    TLoadedBmp loaded;
    loaded.Headers = bitmap::ReadBmpHeaders(file);
    file.SetPosition(0);
    loaded.Picture = bitmap::ReadBmp(file);
    return loaded;
}

const char* HeaderKind(bitmap::TBmpHeader header) {
    switch (header) {
        case bitmap::TBmpHeader::Core: return "core";
        case bitmap::TBmpHeader::Info: return "info";
        case bitmap::TBmpHeader::V2: return "v2";
        case bitmap::TBmpHeader::V3: return "v3";
        case bitmap::TBmpHeader::V4: return "v4";
        case bitmap::TBmpHeader::V5: return "v5";
    }
    return "unknown";
}

const char* CompressionName(std::uint32_t compression) {
    switch (compression) {
        case 0: return "rgb";
        case 1: return "rle8";
        case 2: return "rle4";
        case 3: return "bitfields";
        case 6: return "alphabitfields";
    }
    return "unknown";  // the reader refuses every other value
}

std::string Hex32(std::uint32_t value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

void Masks(JsonWriter& json, const bitmap::TBmpHeaders& h) {
    json.Key("masks");
    if (!h.HasMasks) {
        json.Null();
        return;
    }
    json.BeginObject();
    json.Key("red").String(Hex32(h.Masks.Red));
    json.Key("green").String(Hex32(h.Masks.Green));
    json.Key("blue").String(Hex32(h.Masks.Blue));
    json.Key("alpha").String(Hex32(h.Masks.Alpha));
    json.EndObject();
}

int Info(const Args& args) {
    const TLoadedBmp bmp = LoadBmp(args[1]);
    const bitmap::TBmpHeaders& h = bmp.Headers;
    JsonWriter json;
    json.BeginObject();
    json.Key("header").String(HeaderKind(h.Info.Header));
    json.Key("headerSize").Int(static_cast<std::uint32_t>(h.Info.Header));
    json.Key("width").Int(h.Width);
    json.Key("height").Int(h.Height);
    json.Key("bitsPerPixel").Int(h.BitCount);
    json.Key("compression").String(CompressionName(h.Compression));
    Masks(json, h);
    json.Key("rowOrder").String(h.Info.TopDown ? "top-down" : "bottom-up");
    json.Key("paletteSize").Int(static_cast<std::int64_t>(h.Palette.size()));
    json.Key("profileSize").Int(h.ProfileSize);
    json.EndObject();
    std::fwrite(json.Text().data(), 1, json.Text().size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

int Png(const Args& args) {
    const TLoadedBmp bmp = LoadBmp(args[1]);
    const std::vector<std::uint8_t> png =
        EncodePng(bmp.Picture.ToBGRA().data(), bmp.Picture.Width(), bmp.Picture.Height());
    if (args[2] == "-") {
        if (std::fwrite(png.data(), 1, png.size(), stdout) != png.size() || std::fflush(stdout) != 0)
            throw rtl::Exception("cannot write to standard output");
    } else {
        rtl::SaveFileAtomically(args[2], png);
    }
    return 0;
}

}  // namespace

int RunBmp(const Args& rawArgs) {
    // No options, but "--" and the refusal of unknown options work as in every command.
    const Args args = TOptions().Parse(rawArgs);
    if (args.empty()) throw EUsage("expected a command");
    if (args[0] == "info") {
        ExpectPositionals(args, 2, 2, "expected a bitmap file");
        return Info(args);
    }
    if (args[0] == "png") {
        ExpectPositionals(args, 3, 3, "expected a bitmap file and an output file");
        return Png(args);
    }
    throw EUsage("unknown bmp command \"" + args[0] + "\"");
}

}  // namespace tool
