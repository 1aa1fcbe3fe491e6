// vlmrk-tool stego: the Encrypt and Decrypt commands of the main window, without the window.
//
//   stego capacity IMG            the number of bytes the image can hold
//   stego hide IN OUT [TEXTFILE]  hides the text (TEXTFILE or standard input) as Encrypt does
//                                 and writes OUT in IN's format
//   stego reveal IMG              writes the hidden bytes to standard output; exit 1 when the
//                                 image carries no hidden text

#include <cstdio>
#include <cstring>

#include "app/StegoCodec.h"
#include "app/StegoPayload.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/rtl/Streams.h"
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

int RunStego(const Args& args) {
    const std::string command = args.empty() ? std::string() : args[0];
    if (command == "capacity" && args.size() == 2) {
        bitmap::TBitmap bmp = Load(args[1]);
        std::printf("%d\n", app::Capacity(bmp));
        return 0;
    }
    if (command == "hide" && (args.size() == 3 || args.size() == 4)) {
        bitmap::TBitmap bmp = Load(args[1]);
        const rtl::AnsiString text = ReadText(args);
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
        rtl::AnsiString text;
        if (!app::DecryptText(bmp, text)) return 1;
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
            throw rtl::Exception("cannot write to standard output");
        return 0;
    }
    throw EUsage("wrong stego command");
}

}  // namespace tool
