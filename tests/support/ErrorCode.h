#pragma once
// The code of the error a piece of work raises, so a test of a reader can say which check refused
// its input rather than only that something did.

#include <string>

#include "platform/rtl/Exception.h"

namespace testutil {

// The raised error's code; "(no code)" for an error that has none, "(no error)" when the work
// raises nothing.
template <class F>
std::string ErrorCodeOf(F&& work) {
    try {
        work();
    } catch (const rtl::Exception& e) {
        return e.HasCode() ? std::string(e.Code()) : std::string("(no code)");
    }
    return "(no error)";
}

}  // namespace testutil
