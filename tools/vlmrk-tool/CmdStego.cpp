// vlmrk-tool stego: the Encrypt and Decrypt commands of the main window, without the window.
//
//   stego capacity IMG [--json]             the number of bytes the image can hold; exit 2 when
//                                           the codec refuses the image's format
//   stego hide IN OUT [TEXTFILE] [--force]  hides the text (TEXTFILE or standard input) as
//                                           Encrypt does and writes OUT in IN's format; "-" for
//                                           IN reads the image from standard input, "-" for OUT
//                                           writes it to standard output; an existing OUT is kept
//                                           (exit 2) unless --force
//   stego reveal IMG                        writes the hidden text to standard output; exit 1
//                                           when the image carries no hidden text
//
// Text goes in and out as UTF-8, the terminal's encoding; the hidden bytes are the system code
// page's encoding of it, as the program hides what its memo shows. A character that code page
// cannot hold is refused (exit 2, nothing written). "--codepage N" names another code page;
// "--raw" hides and reveals the bytes as they are.
//
// Options are declared per command with TOptions (Options.h), one line each.

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "app/HiddenText.h"
#include "app/StegoCodec.h"
#include "app/StegoPayload.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/nls/CodePages.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Utf8.h"
#include "tools/vlmrk-tool/Json.h"
#include "tools/vlmrk-tool/Options.h"
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {

namespace {

constexpr const char* kStandardStream = "-";

// How text crosses the command line: UTF-8 converted with a code page, or raw bytes.
struct TTextOptions {
    bool Raw = false;
    int CodePage = app::HiddenTextCodePage();
};

// "--raw" and "--codepage N", for hide and reveal.
void DeclareTextOptions(TOptions& options, TTextOptions& text) {
    options.Flag("--raw", text.Raw);
    options.Custom("--codepage", true, [&text](const std::string& value) {
        std::int32_t codePage = 0;
        if (!rtl::TryStrToInt(value, codePage) || !nls::IsValidCodePage(codePage))
            throw EUsage("--codepage needs a code page number we convert (1250-1258, 874, 932, 936, 949, 950)");
        text.CodePage = codePage;
    });
}

rtl::AnsiString HiddenBytesOf(const rtl::AnsiString& input, const TTextOptions& options) {
    if (options.Raw) return input;
    return app::HiddenTextOf(rtl::Utf8ToUtf16(input), options.CodePage);
}

rtl::AnsiString OutputOf(const rtl::AnsiString& hidden, const TTextOptions& options) {
    if (options.Raw) return hidden;
    return rtl::Utf16ToUtf8(app::ShownTextOf(hidden, options.CodePage));
}

std::vector<std::uint8_t> ReadAllStdin(const char* what) {
    std::vector<std::uint8_t> bytes;
    char chunk[64 * 1024];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    if (std::ferror(stdin)) throw rtl::Exception(std::string("cannot read ") + what + " from standard input");
    return bytes;
}

void WriteAllStdout(const void* data, std::size_t size) {
    if (std::fwrite(data, 1, size, stdout) != size || std::fflush(stdout) != 0)
        throw rtl::Exception("cannot write to standard output");
}

rtl::AnsiString ReadText(const std::string& fileName) {
    if (fileName == kStandardStream) {
        const auto bytes = ReadAllStdin("the text");
        return rtl::AnsiString(bytes.begin(), bytes.end());
    }
    rtl::TMemoryStream file;
    file.LoadFromFile(fileName);
    return rtl::AnsiString(file.Bytes().begin(), file.Bytes().end());
}

bitmap::TBitmap Load(const std::string& fileName) {
    bitmap::TBitmap bmp;
    if (fileName == kStandardStream) {
        rtl::TMemoryStream stream;
        const auto bytes = ReadAllStdin("the image");
        if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        stream.SetPosition(0);
        bmp.LoadFromStream(stream);
    } else {
        bmp.LoadFromFile(fileName);
    }
    return bmp;
}

void Save(const bitmap::TBitmap& bmp, const std::string& fileName) {
    if (fileName == kStandardStream) {
        rtl::TMemoryStream stream;
        bmp.SaveToStream(stream);
        WriteAllStdout(stream.Bytes().data(), stream.Bytes().size());
    } else {
        bmp.SaveToFile(fileName);
    }
}

bool PathTaken(const std::string& fileName) {
    struct stat st {};
    return ::lstat(fileName.c_str(), &st) == 0;
}

int Capacity(const Args& args) {
    bool json = false;
    TOptions options;
    options.Flag("--json", json);
    const Args files = options.Parse(args, 1);
    ExpectPositionals(files, 1, 1, "stego capacity wants one IMG");
    const bitmap::TBitmap bmp = Load(files[0]);
    // A capacity that hide would then refuse helps nobody: say why instead.
    if (app::CarrierBytesPerPixel(bmp) == 0)
        throw rtl::Exception("the image has " + std::to_string(bmp.BitCount()) + " bits per pixel" +
                             (bmp.HasMasks() ? " with colour masks" : "") +
                             "; only 16-bit 5-6-5, 24-bit and 32-bit images without masks can carry text");
    if (json) {
        JsonWriter out;
        out.BeginObject().Key("capacity").Int(app::Capacity(bmp)).Key("width").Int(bmp.Width());
        out.Key("height").Int(bmp.Height()).Key("bitsPerPixel").Int(bmp.BitCount()).EndObject();
        std::printf("%s\n", out.Text().c_str());
    } else {
        std::printf("%d\n", app::Capacity(bmp));
    }
    return 0;
}

int Hide(const Args& args) {
    bool force = false;
    TTextOptions textOptions;
    TOptions options;
    options.Flag("--force", force);
    DeclareTextOptions(options, textOptions);
    const Args files = options.Parse(args, 1);
    ExpectPositionals(files, 2, 3, "stego hide wants IN OUT [TEXTFILE]");
    const std::string& in = files[0];
    const std::string& out = files[1];
    const std::string textFile = files.size() > 2 ? files[2] : std::string(kStandardStream);
    if (in == kStandardStream && textFile == kStandardStream)
        throw EUsage("the image and the text cannot both come from standard input; give TEXTFILE");
    if (out != kStandardStream && !force && PathTaken(out))
        throw rtl::Exception("\"" + out + "\" exists; give --force to replace it");
    bitmap::TBitmap bmp = Load(in);
    // Converted (and refused) before anything is written.
    const rtl::AnsiString text = HiddenBytesOf(ReadText(textFile), textOptions);
    // The memo cannot hold a zero byte; from a file one would silently cut the hidden text
    // short when it is read back, so it is refused here.
    if (text.find('\0') != rtl::AnsiString::npos)
        throw rtl::Exception("the text contains a zero byte, which cannot be hidden");
    app::EncryptText(bmp, text);
    Save(bmp, out);
    return 0;
}

int Reveal(const Args& args) {
    TTextOptions textOptions;
    TOptions options;
    DeclareTextOptions(options, textOptions);
    const Args files = options.Parse(args, 1);
    ExpectPositionals(files, 1, 1, "stego reveal wants one IMG");
    const bitmap::TBitmap bmp = Load(files[0]);
    rtl::AnsiString hidden;
    if (!app::DecryptText(bmp, hidden)) return 1;
    const rtl::AnsiString text = OutputOf(hidden, textOptions);
    WriteAllStdout(text.data(), text.size());
    return 0;
}

}  // namespace

int RunStego(const Args& args) {
    const std::string command = args.empty() ? std::string() : args[0];
    if (command == "capacity") return Capacity(args);
    if (command == "hide") return Hide(args);
    if (command == "reveal") return Reveal(args);
    throw EUsage(command.empty() ? "expected a stego command" : "unknown stego command \"" + command + "\"");
}

}  // namespace tool
