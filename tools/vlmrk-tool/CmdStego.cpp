// vlmrk-tool stego: the Encrypt and Decrypt commands of the main window, without the window.
//
//   stego capacity IMG [--json]             the number of bytes the image can hold; exit 2 when
//                                           the codec refuses the image's format
//   stego hide IN OUT [TEXTFILE] [--force]  hides the text (TEXTFILE or standard input) as
//                                           Encrypt does and writes OUT in IN's format; "-" for
//                                           IN reads the image from standard input, "-" for OUT
//                                           writes it to standard output; an existing OUT is kept
//                                           (exit 2) unless --force; the written image is read
//                                           back and compared before it replaces OUT
//   stego reveal IMG                        writes the hidden text to standard output; exit 1
//                                           when the image carries no hidden text
//
// Text goes in and out as UTF-8, the terminal's encoding; the hidden bytes are the system code
// page's encoding of it, as the program hides what its memo shows. A character that code page
// cannot hold is refused (exit 2, nothing written). "--codepage N" names another code page;
// "--raw" hides and reveals the bytes as they are.
//
// --lsb-matching hides by LSB matching. --passphrase-file FILE encrypts on hide and decrypts on
// reveal (one trailing line break of the file is not part of the passphrase); without it the
// passphrase comes from VEILMARK_PASSPHRASE when that is set and not empty, never from an
// argument, which other users see in the process list. What is encrypted is the hidden bytes
// (after the code page). reveal exits 3 when the hidden text is encrypted and no passphrase was
// given.
//
// Options are declared per command with TOptions (Options.h), one line each.

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "codec/HiddenText.h"
#include "codec/PassphraseCrypto.h"
#include "codec/StegoFile.h"
#include "codec/StegoCodec.h"
#include "codec/StegoPayload.h"
#include "codec/VerifiedSave.h"
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

// From the file when one is named, else from VEILMARK_PASSPHRASE; nothing when neither is given.
std::optional<rtl::AnsiString> Passphrase(const std::string& passphraseFile) {
    if (!passphraseFile.empty()) {
        rtl::TMemoryStream file;
        file.LoadFromFile(passphraseFile);
        rtl::AnsiString passphrase(file.Bytes().begin(), file.Bytes().end());
        if (!passphrase.empty() && passphrase.back() == '\n') passphrase.pop_back();
        if (!passphrase.empty() && passphrase.back() == '\r') passphrase.pop_back();
        return passphrase;
    }
    const char* env = std::getenv("VEILMARK_PASSPHRASE");
    if (env && *env) return rtl::AnsiString(env);
    return std::nullopt;
}

// How text crosses the command line: UTF-8 converted with a code page, or raw bytes.
struct TTextOptions {
    bool Raw = false;
    int CodePage = codec::HiddenTextCodePage();
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
    return codec::HiddenTextOf(rtl::Utf8ToUtf16(input), options.CodePage);
}

rtl::AnsiString OutputOf(const rtl::AnsiString& hidden, const TTextOptions& options) {
    if (options.Raw) return hidden;
    return rtl::Utf16ToUtf8(codec::ShownTextOf(hidden, options.CodePage));
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
    // A file is read as far as its headers; standard input has to be read whole.
    std::optional<bitmap::TBitmap> streamed;
    std::optional<codec::TCarrierFile> file;
    if (files[0] == kStandardStream)
        streamed = Load(files[0]);
    else
        file.emplace(files[0]);
    const int carrierBytes = streamed ? codec::CarrierBytesPerPixel(*streamed) : file->CarrierBytes();
    const int bitCount = streamed ? streamed->BitCount() : file->BitCount();
    const bool hasMasks = streamed ? streamed->HasMasks() : file->HasMasks();
    const std::int32_t capacity = streamed ? codec::Capacity(*streamed) : file->Capacity();
    // A capacity that hide would then refuse helps nobody: say why instead.
    if (carrierBytes == 0)
        throw rtl::Exception("the image has " + std::to_string(bitCount) + " bits per pixel" +
                             (hasMasks ? " with colour masks" : "") +
                             "; only 16-bit 5-6-5, 24-bit and 32-bit images without masks can carry text");
    if (json) {
        JsonWriter out;
        out.BeginObject().Key("capacity").Int(capacity).Key("width").Int(streamed ? streamed->Width() : file->Width());
        out.Key("height").Int(streamed ? streamed->Height() : file->Height()).Key("bitsPerPixel").Int(bitCount).EndObject();
        std::printf("%s\n", out.Text().c_str());
    } else {
        std::printf("%d\n", capacity);
    }
    return 0;
}

int Hide(const Args& args) {
    bool force = false;
    bool lsbMatching = false;
    std::string passphraseFile;
    TTextOptions textOptions;
    TOptions options;
    options.Flag("--force", force).Flag("--lsb-matching", lsbMatching).Value("--passphrase-file", passphraseFile);
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
    // A file to a file goes by rows (StegoFile.h): only the rows the text occupies are read and
    // written; standard streams take the whole bitmap.
    std::optional<codec::TCarrierFile> carrier;
    bitmap::TBitmap bmp;
    if (in != kStandardStream && out != kStandardStream)
        carrier.emplace(in);
    else
        bmp = Load(in);
    // Converted (and refused) before anything is written.
    const rtl::AnsiString text = HiddenBytesOf(ReadText(textFile), textOptions);
    // The memo cannot hold a zero byte; from a file one would silently cut the hidden text
    // short when it is read back, so it is refused here.
    if (text.find('\0') != rtl::AnsiString::npos)
        throw rtl::Exception("the text contains a zero byte, which cannot be hidden");
    const codec::TEmbedding how = lsbMatching ? codec::TEmbedding::Matching : codec::TEmbedding::Replacement;
    const std::optional<rtl::AnsiString> passphrase = Passphrase(passphraseFile);
    if (carrier) {
        carrier->Hide(text, out, how, passphrase);
        return 0;
    }
    const rtl::AnsiString data = passphrase ? codec::EncryptTextWithPassphrase(bmp, text, *passphrase, how)
                                            : codec::EncryptText(bmp, text, how);
    // Standard output has no old file to keep: what is written there is not read back.
    if (out == kStandardStream)
        Save(bmp, out);
    else
        codec::SaveHiddenTextVerified(bmp, out, data);
    return 0;
}

int Reveal(const Args& args) {
    std::string passphraseFile;
    TTextOptions textOptions;
    TOptions options;
    options.Value("--passphrase-file", passphraseFile);
    DeclareTextOptions(options, textOptions);
    const Args files = options.Parse(args, 1);
    ExpectPositionals(files, 1, 1, "stego reveal wants one IMG");
    rtl::AnsiString hidden;
    if (files[0] == kStandardStream) {
        if (!codec::DecryptText(Load(files[0]), hidden)) return 1;
    } else if (!codec::TCarrierFile(files[0]).Reveal(hidden)) {
        return 1;
    }
    if (codec::IsSealedText(hidden)) {
        const std::optional<rtl::AnsiString> passphrase = Passphrase(passphraseFile);
        if (!passphrase) {
            std::fprintf(stderr, "vlmrk-tool: %s\n", rtl::LoadResString(codec::SSealedTextNeedsPassphrase).c_str());
            return 3;
        }
        hidden = codec::OpenSealedText(hidden, *passphrase);
    }
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
