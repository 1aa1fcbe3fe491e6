#include "resources/messages/CatalogueStrings.h"

#include <string>

#include "resources/messages/MessageCatalog.h"

namespace messages {

void AddCatalogueStrings(modres::TResString& strings) {
    for (const auto* rec : AllMessages()) {
        rtl::WideString text;
        for (unsigned char c : rec->Text) text.push_back(c);  // declared texts are ASCII
        if (strings.AddString(rec->Id, text) < 0)
            throw rtl::Exception("message id " + std::to_string(rec->Id) + " is declared twice or out of range");
    }
}

}  // namespace messages
