// Feeds arbitrary bytes to the form-stream readers: the component reader (with every class of the
// component model registered), the text converter, and, for text that compiles, the way back.
// Any outcome but a clean EReadError / EParserError (or success) is a finding.

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/rtti/ComponentStream.h"
#include "platform/rtti/Controls.h"
#include "platform/rtti/FormText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static rtti::TClassRegistry registry = [] {
        rtti::TClassRegistry r;
        rtti::RegisterClasses(r);
        return r;
    }();
    std::span<const std::uint8_t> bytes(data, size);
    try {
        rtl::TReadOnlyStream s(bytes);
        rtti::TReadContext context{&registry, {}};
        auto root = rtti::ReadRootComponent(s, context);
    } catch (const rtl::Exception&) {
    }
    try {
        rtl::TReadOnlyStream s(bytes);
        rtl::AnsiString text = rtti::ObjectBinaryToText(s);
        rtl::TMemoryStream back;
        rtti::ObjectTextToBinary(text, back);
    } catch (const rtl::Exception&) {
    }
    try {
        rtl::TMemoryStream out;
        rtti::ObjectTextToBinary(rtl::AnsiString(reinterpret_cast<const char*>(data), size), out);
    } catch (const rtl::Exception&) {
    }
    return 0;
}
