#pragma once
// Numbered message strings.
//
// Every user-visible message is a string resource with a number. A unit declares its messages
// once, with VLMRK_RESSTRING, in its header:
//
//     VLMRK_RESSTRING(SReady, 65239, "PrjConst", "Ready");
//
// which defines a constexpr TResStringRec named SReady. LoadResString(SReady) fetches the text
// from the program's current resource module at the moment it is called, so the text follows
// the installed language; when no resource module holds the id (a process without a program
// image, or an id the module lacks) the declared English text is used.
//
// Every declaration is also listed in resources/messages/MessageCatalog.cpp, from which the build
// writes the program's string tables; a test checks that the catalogue misses none.

#include <functional>
#include <optional>
#include <string_view>

#include "platform/rtl/SysTypes.h"

namespace rtl {

struct TResStringRec {
    int Id;
    std::string_view Unit;        // unit (group) name the language files file the message under
    std::string_view Identifier;  // constant name in that unit
    std::string_view Text;        // declared English text (ASCII)
};

#define VLMRK_RESSTRING(name, id, unit, text) \
    inline constexpr ::rtl::TResStringRec name { id, unit, #name, text }

// Looks a string id up in the program's current resource module. Installed by the module layer;
// answers nothing when no module holds the id. The answer is already converted to 8-bit text in
// the interface code page.
using ResStringLoader = std::function<std::optional<AnsiString>(int id)>;

// Installs (or, with an empty function, removes) the loader. Returns the previous one.
ResStringLoader SetResStringLoader(ResStringLoader loader);

// The message text: from the resource module when it has the id, else the declared text.
AnsiString LoadResString(const TResStringRec& rec);

// The message text by number only: from the resource module, else empty.
AnsiString LoadResString(int id);

}  // namespace rtl
