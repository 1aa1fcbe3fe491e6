// vlmrk-tool stego: the Encrypt and Decrypt commands of the main window, without the window.
//
//   stego capacity IMG            the number of bytes the image can hold
//   stego hide IN OUT [TEXTFILE]  hides the text (TEXTFILE or standard input) as Encrypt does
//                                 and writes OUT in IN's format
//   stego reveal IMG              writes the hidden text to standard output; exit 1 when the
//                                 image carries no hidden text
//
// Text goes in and out as UTF-8, the terminal's encoding; the hidden bytes are the system code
// page's encoding of it, as the program hides what its memo shows. A character that code page
// cannot hold is refused (exit 2, nothing written). "--codepage N" names another code page;
// "--raw" hides and reveals the bytes as they are.

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
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {

namespace {

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
        app::EncryptText(bmp, text);
        bmp.SaveToFile(args[2]);
        return 0;
    }
    if (command == "reveal" && args.size() == 2) {
        bitmap::TBitmap bmp = Load(args[1]);
        rtl::AnsiString hidden;
        if (!app::DecryptText(bmp, hidden)) return 1;
        const rtl::AnsiString text = OutputOf(hidden, options);
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
            throw rtl::Exception("cannot write to standard output");
        return 0;
    }
    throw EUsage("wrong stego command");
}

}  // namespace tool
