#pragma once
// The form processor: rewrites the form resources of a resource processor into one language of
// the translation store, so that a window created from a language module comes up translated.
//
// A form stream is rewritten as a filter: it is parsed value by value and copied to the output in
// chunks, except for the values it re-encodes (translated texts and numbers, character sets,
// reading order) and the properties it appends (added properties, the form's reading order).
// Whatever it does not touch reaches the output byte for byte. A rewrite is stored into the
// resource item only once it is complete, so a malformed stream leaves the item as it was.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysTypes.h"

namespace rtti {
class TReader;
class TWriter;
}  // namespace rtti

namespace locstore {
class TLocStorage;
class TLocForm;
class TLocComponent;
class TLocValue;
class TLocItem;
}  // namespace locstore

namespace modres {

using rtl::AnsiString;
using rtl::WideString;

class TResProcessor;

VLMRK_DECLARE_EXCEPTION(ELocFormProcessorError, rtl::Exception);

VLMRK_RESSTRING(SCantFindRCDataBlock, 65282, "LocFormProc", "Can't find RCDATA block");

// Put in front of the message of any error met while rewriting a form, followed by the form's
// name and a line break.
inline constexpr char kFormErrorPrefix[] = "Error during processing form ";

class TLocFormProcessor : public rtl::TObject {
public:
    TLocFormProcessor();
    ~TLocFormProcessor() override;

    // Rewrites every form of ProjectForms, in order.
    void ProcessForms(TResProcessor& processor);
    // Rewrites the RCDATA item "T<NAME>" (else "TME<NAME>"); no such item is not an error.
    void ProcessFormResource(TResProcessor& processor, const AnsiString& name);
    // Rewrites one form stream from input's position 0 into output.
    void RewriteForm(rtl::TStream& input, rtl::TStream& output);

    locstore::TLocStorage* Store = nullptr;  // not owned
    std::int32_t LanguageIndex = 0;
    std::uint16_t LanguageId = 0;
    std::vector<AnsiString> ProjectForms;
    bool ProcessCharset = true;
    bool ProcessBiDiMode = true;
    bool ShowUntranslatedAsIs = true;

    // Prepared by ProcessForms from the language at LanguageIndex; public so that a single
    // RewriteForm can be driven by hand.
    AnsiString CharsetIdent;
    bool RightToLeft = false;
    void PrepareLanguage();

private:
    // Per-form state; lives only during one RewriteForm.
    rtti::TReader* Reader = nullptr;
    rtti::TWriter* Writer = nullptr;
    rtl::TStream* Input = nullptr;
    // The input's bytes when it is held in memory (unchanged stretches are copied from them
    // straight to the output); empty otherwise, and CopyBuffer carries them.
    std::span<const std::uint8_t> InputBytes;
    std::array<std::uint8_t, 1024> CopyBuffer{};
    bool KeepReadValue = false;
    AnsiString FormName;
    locstore::TLocForm* FormItem = nullptr;
    AnsiString InlinePrefix;
    bool InheritedObject = false;
    std::int32_t ListIndex = -1;
    AnsiString CharsetOverride;
    AnsiString BiDiOverride;
    bool BiDiModeSeen = false;
    std::int64_t CopiedUpTo = 0;

    void CopyUpTo(std::int64_t position);
    void CopyPending();
    void Replaced();

    // Reads an object header and applies its inherited and inline flags; answers the names.
    void ReadObjectHeader(AnsiString& className, AnsiString& objectName, bool& isInline);
    void ProcessObject(const AnsiString& name, bool isRoot);
    void ProcessProperty(locstore::TLocComponent* component, const AnsiString& objectName);
    void ProcessValue(const AnsiString& objectName, const AnsiString& propertyName, locstore::TLocValue* translation);
    void ProcessCollection(const AnsiString& objectName, const AnsiString& propertyName);
    void WriteAddedProperties(locstore::TLocComponent* component);
    // The value written for a used store property: the target language's when it is current or
    // outdated translations are shown, else the base value.
    locstore::TLocValue* ChooseValue(const locstore::TLocItem& item) const;
    locstore::TLocValue* TargetValue(const locstore::TLocItem& item) const;
    void WriteIdentOrNumber(const AnsiString& ident);
};

}  // namespace modres
