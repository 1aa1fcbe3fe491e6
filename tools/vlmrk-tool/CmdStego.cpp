// vlmrk-tool stego: the Encrypt and Decrypt commands of the main window, without the window.
//
//   stego capacity IMG            the number of bytes the image can hold
//   stego hide IN OUT [TEXTFILE]  hides the text (TEXTFILE or standard input) as Encrypt does
//                                 and writes OUT in IN's format, verified before it replaces OUT
//   stego reveal IMG              writes the hidden text to standard output; exit 1 when the
//                                 image carries no hidden text
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

#include <cstdio>
#include <cstring>

#include <cstdlib>
#include <optional>

#include "app/HiddenText.h"
#include "app/PassphraseCrypto.h"
#include "app/StegoCodec.h"
#include "app/StegoPayload.h"
#include "app/VerifiedSave.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/nls/CodePages.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Utf8.h"
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {

namespace {

// The stego options, taken out of the arguments; what is left are the positional ones.
struct TStegoOptions {
    bool LsbMatching = false;
    std::optional<std::string> PassphraseFile;
};

TStegoOptions TakeOptions(Args& args) {
    TStegoOptions options;
    Args rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--lsb-matching") {
            options.LsbMatching = true;
        } else if (a == "--passphrase-file") {
            if (i + 1 == args.size()) throw EUsage("--passphrase-file needs a file name");
            options.PassphraseFile = args[++i];
        } else if (a.starts_with("--passphrase-file=")) {
            options.PassphraseFile = a.substr(std::string_view("--passphrase-file=").size());
        } else if (a.starts_with("--") && a.size() > 2) {
            throw EUsage("unknown option " + a);
        } else {
            rest.push_back(a);
        }
    }
    args = std::move(rest);
    return options;
}

// From the file when one is named, else from VEILMARK_PASSPHRASE; nothing when neither is given.
std::optional<rtl::AnsiString> Passphrase(const TStegoOptions& options) {
    if (options.PassphraseFile) {
        rtl::TMemoryStream file;
        file.LoadFromFile(*options.PassphraseFile);
        rtl::AnsiString passphrase(file.Bytes().begin(), file.Bytes().end());
        if (!passphrase.empty() && passphrase.back() == '\n') passphrase.pop_back();
        if (!passphrase.empty() && passphrase.back() == '\r') passphrase.pop_back();
        return passphrase;
    }
    const char* env = std::getenv("VEILMARK_PASSPHRASE");
    if (env && *env) return rtl::AnsiString(env);
    return std::nullopt;
}

rtl::AnsiString ReadAllStdin() {
    rtl::AnsiString text;
    char chunk[64 * 1024];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) text.append(chunk, n);
    if (std::ferror(stdin)) throw rtl::Exception("cannot read the text from standard input");
    return text;
}

// How text crosses the command line: UTF-8 converted with a code page, or raw bytes.
struct TTextOptions {
    bool Raw = false;
    int CodePage = app::HiddenTextCodePage();
};

// Takes "--raw" and "--codepage N" out of the arguments.
TTextOptions TakeTextOptions(Args& args) {
    TTextOptions options;
    Args rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--raw") {
            options.Raw = true;
        } else if (args[i] == "--codepage") {
            std::int32_t codePage = 0;
            if (i + 1 >= args.size() || !rtl::TryStrToInt(args[i + 1], codePage) || !nls::IsValidCodePage(codePage))
                throw EUsage("--codepage needs a code page number we convert (1250-1258, 874, 932, 936, 949, 950)");
            options.CodePage = codePage;
            ++i;
        } else {
            rest.push_back(args[i]);
        }
    }
    args = std::move(rest);
    return options;
}

rtl::AnsiString HiddenBytesOf(const rtl::AnsiString& input, const TTextOptions& options) {
    if (options.Raw) return input;
    return app::HiddenTextOf(rtl::Utf8ToUtf16(input), options.CodePage);
}

rtl::AnsiString OutputOf(const rtl::AnsiString& hidden, const TTextOptions& options) {
    if (options.Raw) return hidden;
    return rtl::Utf16ToUtf8(app::ShownTextOf(hidden, options.CodePage));
}

rtl::AnsiString ReadText(const Args& args) {
    if (args.size() < 4) return ReadAllStdin();
    rtl::TMemoryStream file;
    file.LoadFromFile(args[3]);
    return rtl::AnsiString(file.Bytes().begin(), file.Bytes().end());
}

bitmap::TBitmap Load(const rtl::AnsiString& fileName) {
    bitmap::TBitmap bmp;
    bmp.LoadFromFile(fileName);
    return bmp;
}

}  // namespace

int RunStego(const Args& given) {
    Args args = given;
    const TTextOptions options = TakeTextOptions(args);
    const TStegoOptions stego = TakeOptions(args);
    const std::string command = args.empty() ? std::string() : args[0];
    if (command == "capacity" && args.size() == 2) {
        bitmap::TBitmap bmp = Load(args[1]);
        std::printf("%d\n", app::Capacity(bmp));
        return 0;
    }
    if (command == "hide" && (args.size() == 3 || args.size() == 4)) {
        bitmap::TBitmap bmp = Load(args[1]);
        // Converted (and refused) before anything is written.
        const rtl::AnsiString text = HiddenBytesOf(ReadText(args), options);
        // The memo cannot hold a zero byte; from a file one would silently cut the hidden text
        // short when it is read back, so it is refused here.
        if (text.find('\0') != rtl::AnsiString::npos)
            throw rtl::Exception("the text contains a zero byte, which cannot be hidden");
        const app::TEmbedding how = stego.LsbMatching ? app::TEmbedding::Matching : app::TEmbedding::Replacement;
        const std::optional<rtl::AnsiString> passphrase = Passphrase(stego);
        const rtl::AnsiString data = passphrase ? app::EncryptTextWithPassphrase(bmp, text, *passphrase, how)
                                                : app::EncryptText(bmp, text, how);
        app::SaveHiddenTextVerified(bmp, args[2], data);
        return 0;
    }
    if (command == "reveal" && args.size() == 2) {
        bitmap::TBitmap bmp = Load(args[1]);
        rtl::AnsiString hidden;
        if (!app::DecryptText(bmp, hidden)) return 1;
        if (app::IsSealedText(hidden)) {
            const std::optional<rtl::AnsiString> passphrase = Passphrase(stego);
            if (!passphrase) {
                std::fprintf(stderr, "vlmrk-tool: %s\n", rtl::LoadResString(app::SSealedTextNeedsPassphrase).c_str());
                return 3;
            }
            hidden = app::OpenSealedText(hidden, *passphrase);
        }
        const rtl::AnsiString text = OutputOf(hidden, options);
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
            throw rtl::Exception("cannot write to standard output");
        return 0;
    }
    throw EUsage("wrong stego command");
}

}  // namespace tool
