#include "platform/rtl/ResString.h"

#include <utility>

namespace rtl {

namespace {
// The run time's single hook into the resource-module table (the platform keeps one per process).
ResStringLoader& CurrentLoader() {
    static ResStringLoader loader;
    return loader;
}
}  // namespace

ResStringLoader SetResStringLoader(ResStringLoader loader) {
    return std::exchange(CurrentLoader(), std::move(loader));
}

AnsiString LoadResString(const TResStringRec& rec) {
    if (const auto& loader = CurrentLoader()) {
        if (auto text = loader(rec.Id)) return std::move(*text);
    }
    return AnsiString(rec.Text);
}

AnsiString LoadResString(int id) {
    if (const auto& loader = CurrentLoader()) {
        if (auto text = loader(id)) return std::move(*text);
    }
    return {};
}

}  // namespace rtl
