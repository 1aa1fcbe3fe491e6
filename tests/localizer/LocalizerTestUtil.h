#pragma once
// Shared by the controller tests: a program image of our own (message strings, a language pack
// of English and Spanish, settings records, one form resource), temporary folders, and small
// designed classes of the component model.

#include <cstdint>
#include <string>
#include <vector>

#include "locstore/LocStorage.h"
#include "platform/rtti/Controls.h"

namespace loctest {

// English (native, option 0x0002) and Spanish translation sources of the test forms.
extern const char kNativeSource[];
extern const char kSpanishSource[];

std::vector<std::uint8_t> LanguageFileOf(const std::string& source);
// The native source as the store's structure, the Spanish one in slot 1 (active).
void LoadStore(locstore::TLocStorage& store);

struct TImageOptions {
    std::uint32_t Version = 53;      // of both settings records
    bool Pack = true;
    const char* SpanishSource = nullptr;  // of the pack's Spanish; kSpanishSource when null
};
std::vector<std::uint8_t> ProgramImage(const TImageOptions& options = {});

// A fresh folder under the test's cache folder.
std::string TempDir(const std::string& name);
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Designed classes the program's two windows do not have.
class TTestColumn : public rtti::TCollectionItem {
    VLMRK_RTTI_CLASS(TTestColumn)
public:
    rtl::AnsiString Title;
};

class TTestGrid : public rtti::TWinControl {
    VLMRK_RTTI_CLASS(TTestGrid)
public:
    rtti::TCollection* Columns() const { return columns_.get(); }

private:
    std::unique_ptr<rtti::TCollection> columns_ = std::make_unique<rtti::TCollection>(TTestColumn::StaticClass(), this);
};

class TTestMemo : public rtti::TWinControl {
    VLMRK_RTTI_CLASS(TTestMemo)
public:
    rtti::TStrings* Lines() const { return lines_.get(); }
    rtti::TFont* Extra = nullptr;  // an object property that may be none

private:
    std::unique_ptr<rtti::TStringList> lines_ = std::make_unique<rtti::TStringList>();
};

// A component of a data module with a caption.
class TTestAction : public rtti::TComponent {
    VLMRK_RTTI_CLASS(TTestAction)
public:
    rtl::AnsiString Caption;
};

class TBaseForm : public rtti::TForm {
    VLMRK_RTTI_CLASS(TBaseForm)
};
class TDerivedForm : public TBaseForm {
    VLMRK_RTTI_CLASS(TDerivedForm)
};
class TInfoFrame : public rtti::TFrame {
    VLMRK_RTTI_CLASS(TInfoFrame)
};
class THostForm : public rtti::TForm {
    VLMRK_RTTI_CLASS(THostForm)
};
class TDataModule1 : public rtti::TDataModule {
    VLMRK_RTTI_CLASS(TDataModule1)
};

}  // namespace loctest
