// vlmrk-tool form: form sources and form streams.
//
//   form compile TXT OUT   compiles the form source TXT into the form stream OUT
//   form decompile BIN     writes the form source of the form stream BIN to standard output
//
// The two are exact inverses (see platform/rtti/FormText.h). OUT is replaced only when the
// compile succeeded.

#include <cstdio>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "platform/rtti/FormText.h"
#include "tools/vlmrk-tool/Options.h"
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {

int RunForm(const Args& rawArgs) {
    // No options, but "--" and the refusal of unknown options work as in every command.
    const Args args = TOptions().Parse(rawArgs);
    if (args.size() == 3 && args[0] == "compile") {
        rtl::TMemoryStream text;
        text.LoadFromFile(args[1]);
        rtl::AnsiString source(text.Bytes().begin(), text.Bytes().end());
        rtl::TMemoryStream out;
        rtti::ObjectTextToBinary(source, out);
        rtl::SaveFileAtomically(args[2], out.Bytes());
        return 0;
    }
    if (args.size() == 2 && args[0] == "decompile") {
        rtl::TMemoryStream bin;
        bin.LoadFromFile(args[1]);
        rtl::AnsiString text = rtti::ObjectBinaryToText(bin);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    throw EUsage("expected \"compile TXT OUT\" or \"decompile BIN\"");
}

}  // namespace tool
