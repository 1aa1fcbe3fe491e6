// vlmrk-tool lzk: LZK streams with four zero header bytes.
//
//   lzk compress IN OUT     compresses the file IN into OUT
//   lzk decompress IN OUT   decompresses IN into OUT; a file that is not LZK is refused
//
// OUT is written beside itself under a temporary name and renamed when complete, so a failure
// never leaves a half-written OUT behind (nor destroys an old one). Both stream, so big files
// take little memory.

#include <unistd.h>

#include <memory>

#include "langdata/kcompress/kcompress.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/Streams.h"
#include "tools/vlmrk-tool/Options.h"
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {

namespace {

template <typename Work>
void WriteThroughTemporary(const rtl::AnsiString& outName, Work work) {
    const rtl::AnsiString tempName = outName + ".tmp" + rtl::IntToStr(::getpid());
    try {
        {
            rtl::TFileStream out(tempName, rtl::TFileMode::fmCreate);
            work(out);
        }
        if (!rtl::RenameFile(tempName, outName))
            throw rtl::Exception("cannot replace \"" + outName + "\"");
    } catch (...) {
        rtl::DeleteFile(tempName);
        throw;
    }
}

}  // namespace

int RunLzk(const Args& rawArgs) {
    // No options, but "--" and the refusal of unknown options work as in every command.
    const Args args = TOptions().Parse(rawArgs);
    if (args.size() != 3) throw EUsage("expected a command, an input file and an output file");
    const auto& command = args[0];
    if (command != "compress" && command != "decompress") throw EUsage("unknown lzk command \"" + command + "\"");

    rtl::TFileStream in(args[1], rtl::TFileMode::fmOpenRead);
    if (command == "compress") {
        WriteThroughTemporary(args[2], [&](rtl::TStream& out) { langdata::CompressLZKStream(in, out); });
    } else {
        // Refuse before creating anything.
        if (!langdata::IsLZKStream(in))
            throw langdata::EKCompressError(langdata::EKCompressError::CreateRes, langdata::SKCWrongStreamFormat)
                .WithCode("lzk.header.magic");
        WriteThroughTemporary(args[2], [&](rtl::TStream& out) { langdata::DecompressLZKStream(in, out); });
    }
    return 0;
}

}  // namespace tool
