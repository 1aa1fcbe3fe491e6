#pragma once
// Finding a window's components by name after its form resource has been read.

#include "platform/rtti/Classes.h"
#include "platform/rtl/Exception.h"
#include "platform/ui/UiConsts.h"

namespace app {

// The component of that name and class owned by root; a window built from a damaged or foreign
// resource raises instead of leaving a null pointer behind.
template <class T>
T* NeedComponent(rtti::TComponent& root, const char* name) {
    T* found = dynamic_cast<T*>(root.FindComponent(name));
    if (!found) throw rtl::EReadError(rtl::Exception::CreateResFmt, ui::SComponentMissing, {name, root.Name()});
    return found;
}

}  // namespace app
