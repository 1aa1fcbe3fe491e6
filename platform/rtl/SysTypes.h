#pragma once
// Basic types of the run time: 8-bit and wide strings, and the root object class.
// 8-bit strings hold text in a Windows code page (see ARCHITECTURE.md, "8-bit text");
// wide strings hold UTF-16 code units.

#include <cstdint>
#include <string>

namespace rtl {

using AnsiString = std::string;
using WideString = std::u16string;

// Root of the run time's class hierarchy. Everything that an owning list holds derives from it.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

}  // namespace rtl
