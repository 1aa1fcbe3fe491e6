// Fuzz target for the settings file (registry.ini): any text either parses or is refused as
// damaged (an empty store), never a crash; what parses writes back to text that parses to the
// same store.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    registry::TRegistryStore store;
    if (!store.Parse(text)) {
        if (!store.Keys().empty()) std::abort();  // a damaged file reads as empty
        return 0;
    }
    const std::string written = store.Serialize();
    registry::TRegistryStore again;
    if (!again.Parse(written) || again.Serialize() != written) std::abort();
    return 0;
}
