#pragma once
// What the form processor tests share: a language-file header, a store with one translation
// that the processor targets, and a rewrite of a form source through the processor.

#include <string>

#include "locstore/LocStorage.h"
#include "modres/LocFormProc.h"
#include "platform/rtl/Streams.h"
#include "tests/langbuild/LangBuildTestUtil.h"

namespace langbuild_test {

inline std::string Header(int language, const char* name) {
    return std::string("header\n  version 53\n  build 0\n  language ") + std::to_string(language) +
           "\n  based-on 0\n  english-name \"" + name + "\"\n  native-name \"" + name +
           "\"\n  native no\n  options 0\n  max-constant-id 0\n  max-property-id 99\n  max-external-id 0\nend\n";
}

// Rewrites a form source with the processor and answers the decompiled result.
inline std::string Rewrite(modres::TLocFormProcessor& proc, const std::string& form) {
    auto input = CompileForm(form);
    rtl::TReadOnlyStream in(input);
    rtl::TMemoryStream out;
    proc.RewriteForm(in, out);
    return Decompile(out.View());
}

inline std::string Normalized(const std::string& form) { return Decompile(CompileForm(form)); }

// A store with the native texts in slot 0 and one further language; the processor targets it.
struct TFixture {
    locstore::TLocStorage Store;
    modres::TLocFormProcessor Proc;
    TFixture(const std::string& native, const std::string& translation) {
        LoadNative(Store, Header(9, "English") + native);
        Proc.LanguageIndex = AddTranslation(Store, translation);
        Proc.LanguageId = Store.LanguageAt(Proc.LanguageIndex);
        Proc.Store = &Store;
        Proc.PrepareLanguage();
    }
};

}  // namespace langbuild_test
