// The live translation: the store's values carried into the open forms and data modules, their
// fonts' character sets and reading order, after a switch has made a language current.

#include "localizer/LocOnFly.h"

#include "locstore/KLocales.h"
#include "locstore/LocStorage.h"
#include "platform/nls/CodePages.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtti/Controls.h"

namespace localizer {

using locstore::TLocComponent;
using locstore::TLocForm;
using locstore::TLocStorage;
using locstore::TLocValue;
using rtti::TPersistent;

namespace {

// "Name" of a class "TName": the store's form entries are named so.
AnsiString EntryNameOf(std::string_view className) {
    if (className.empty()) return {};
    return AnsiString(className.substr(1, 128));
}

locstore::TLocForm* FindFormEntry(TLocStorage* store, const AnsiString& name) {
    if (!store || name.empty()) return nullptr;
    int index = store->Forms().IndexOf(name);
    return index < 0 ? nullptr : store->Forms().ItemAt(index);
}

bool ParseIndex(const AnsiString& text, int& index) {
    std::int32_t value = 0;
    if (!rtl::TryStrToInt(rtl::Trim(text), value) || value < 0) return false;
    index = value;
    return true;
}

// "Name[12]..." at the front of text: the name, the index and what follows the "]" after one
// more character. False when the text does not start so or the index is no number or negative.
bool TakeIndexedPart(const AnsiString& text, AnsiString& name, int& index, AnsiString& rest) {
    auto open = text.find('[');
    if (open == AnsiString::npos) return false;
    auto close = text.find(']', open + 1);
    if (close == AnsiString::npos) return false;
    name = text.substr(0, open);
    if (!ParseIndex(text.substr(open + 1, close - open - 1), index)) return false;
    rest = close + 2 <= text.size() ? text.substr(close + 2) : AnsiString();
    return true;
}

}  // namespace

void TKLocalizerOnFly::TranslateForms(TLocStorage* store) {
    rtti::TScreen& screen = rtti::Screen();
    // A handler run by a property change could open or close a form; walk a snapshot.
    std::vector<rtti::TCustomForm*> forms;
    for (int i = 0; i < screen.FormCount(); ++i) forms.push_back(screen.Forms(i));
    TAncestorEntries ancestors;
    for (rtti::TCustomForm* form : forms) {
        TranslateFramesAndAncestors(store, form, ancestors);
        TranslateForm(store, form);
    }
}

void TKLocalizerOnFly::TranslateDataModules(TLocStorage* store) {
    rtti::TScreen& screen = rtti::Screen();
    std::vector<rtti::TDataModule*> modules;
    for (int i = 0; i < screen.DataModuleCount(); ++i) modules.push_back(screen.DataModules(i));
    for (rtti::TDataModule* module : modules) TranslateForm(store, module);
}

void TKLocalizerOnFly::TranslateFramesAndAncestors(TLocStorage* store, rtti::TComponent* component,
                                                   TAncestorEntries& ancestors) {
    if (!component) return;
    if (!store) store = Store.get();
    const rtti::TClassInfo* own = component->ClassType();
    // The entries of a class's frames and ancestors are looked up once per class and pass.
    auto [at, added] = ancestors.try_emplace(own);
    if (added) {
        const rtti::TClassInfo* cls = own->InheritsFrom(rtti::TCustomFrame::StaticClass()) ? own : own->Parent();
        for (; cls; cls = cls->Parent()) {
            const std::string_view name = cls->Name();
            if (name == "TCustomForm" || name == "TDataModule" || name == "TCustomFrame" ||
                name == "TScrollingWinControl" || name == "TObject")
                break;
            if (TLocForm* entry = FindFormEntry(store, EntryNameOf(name))) at->second.push_back(entry);
        }
    }
    // The map's elements stay where they are when later classes are added to it.
    for (TLocForm* entry : at->second) ApplyFormEntry(store, component, entry);
    for (int i = 0; i < component->ComponentCount(); ++i)
        TranslateFramesAndAncestors(store, component->Components(i), ancestors);
}

void TKLocalizerOnFly::TranslateForm(TLocStorage* store, rtti::TComponent* form) {
    if (!form) return;
    if (!store) store = Store.get();
    TLocForm* entry = FindFormEntry(store, EntryNameOf(form->ClassType()->Name()));
    if (!entry) return;
    ApplyFormEntry(store, form, entry);
    auto* window = dynamic_cast<rtti::TCustomForm*>(form);
    if (!window) return;
    const int screenPpi = rtti::Screen().PixelsPerInch();
    if (window->PixelsPerInch() > 0 && window->PixelsPerInch() != screenPpi) {
        ScaleForm(*window, screenPpi, window->PixelsPerInch());
        // The form now has the screen's resolution; the next switch must not scale it again.
        window->SetPixelsPerInch(screenPpi);
    }
    if (ApplyBiDiMode)
        window->SetBiDiMode(locstore::IsRightToLeftLanguage(CurrentLanguageId) ? rtti::TBiDiMode::bdRightToLeft
                                                                               : rtti::TBiDiMode::bdLeftToRight);
}

void TKLocalizerOnFly::ScaleForm(rtti::TCustomForm& form, int m, int d) {
    if (Host.ScaleForm) {
        Host.ScaleForm(form, m, d);
        return;
    }
    // Without a GUI: the controls' bounds and fonts, as the toolkit scales them.
    auto scale = [m, d](std::int32_t v) { return static_cast<std::int32_t>((static_cast<std::int64_t>(v) * m) / d); };
    std::function<void(rtti::TComponent*)> walk = [&](rtti::TComponent* owner) {
        for (int i = 0; i < owner->ComponentCount(); ++i) {
            rtti::TComponent* c = owner->Components(i);
            if (auto* control = dynamic_cast<rtti::TControl*>(c)) {
                control->SetBounds(scale(control->Left()), scale(control->Top()), scale(control->Width()),
                                   scale(control->Height()));
                if (!control->ParentFont()) control->Font()->SetHeight(scale(control->Font()->Height()));
            }
            walk(c);
        }
    };
    walk(&form);
    form.SetClientWidth(scale(form.ClientWidth()));
    form.SetClientHeight(scale(form.ClientHeight()));
    form.Font()->SetHeight(scale(form.Font()->Height()));
}

void TKLocalizerOnFly::ApplyFormEntry(TLocStorage* store, rtti::TComponent* component, TLocForm* formEntry) {
    if (!component || !formEntry) return;
    for (int i = 0; i < component->ComponentCount(); ++i) {
        rtti::TComponent* child = component->Components(i);
        if (!child->InheritsFrom(rtti::TCustomFrame::StaticClass())) continue;
        TAncestorEntries ancestors;
        TranslateFramesAndAncestors(store, child, ancestors);
    }
    auto& components = formEntry->Components();
    const bool outermost = formDepth_ == 0;
    if (outermost) {
        judgedLists_.clear();
        JudgeLists(formEntry, component, AnsiString());
        for (int i = 0; i < components.Count(); ++i) {
            TLocComponent* entry = components.ItemAt(i);
            if (entry->Name().find('[') != AnsiString::npos) continue;
            AnsiString rest;
            if (TPersistent* target = ResolveComponentPath(component, entry->Name(), rest)) JudgeLists(entry, target, rest);
        }
    }
    struct TDepth {
        int& depth;
        explicit TDepth(int& d) : depth(d) { ++depth; }
        ~TDepth() { --depth; }
    } depth(formDepth_);
    ApplyProperties(formEntry, component, AnsiString());
    for (int i = 0; i < components.Count(); ++i) {
        TLocComponent* entry = components.ItemAt(i);
        const AnsiString& name = entry->Name();
        if (name.find('[') != AnsiString::npos) {
            ApplyIndexedEntry(component, entry, name);
        } else {
            AnsiString rest;
            if (TPersistent* target = ResolveComponentPath(component, name, rest)) ApplyProperties(entry, target, rest);
        }
    }
    if (outermost) judgedLists_.clear();
}

rtti::TFont* TKLocalizerOnFly::CharsetFont(TPersistent* target) const {
    for (int depth = 0; target && depth < 8; ++depth) {
        if (const rtti::TPropInfo* font = rtti::GetPropInfo(*target, "Font")) {
            if (font->Kind != rtti::TTypeKind::tkClass || !font->GetObj) return nullptr;
            // Realised or not: a hidden window's fonts must follow the language as well, or the
            // window shows the new texts in the old character set when it is opened.
            return dynamic_cast<rtti::TFont*>(font->GetObj(*target));
        }
        const rtti::TPropInfo* style = rtti::GetPropInfo(*target, "Style");
        if (!style || style->Kind != rtti::TTypeKind::tkClass || !style->GetObj) return nullptr;
        target = style->GetObj(*target);
    }
    return nullptr;
}

void TKLocalizerOnFly::ApplyFontCharset(TPersistent* target, int charset) {
    if (rtti::TFont* font = CharsetFont(target)) font->SetCharset(charset);
}

void TKLocalizerOnFly::ApplyProperties(TLocComponent* entry, TPersistent* target, const AnsiString& prefix) {
    if (!entry || !target) return;
    // The character set goes first: a control that keeps its text as 8-bit bytes (the memo)
    // reads the new texts with its font's code page, so that must already be the new one. It is
    // put back when no property was set after all.
    const bool charsetWanted = ApplyCharset && !entry->HasFlags(locstore::lcfKeepCharset);
    rtti::TFont* font = charsetWanted ? CharsetFont(target) : nullptr;
    if (formDepth_ == 0) {
        judgedLists_.clear();
        JudgeLists(entry, target, prefix);
    }
    auto& properties = entry->Properties();
    const int oldCharset = font ? font->Charset() : 0;
    if (font) font->SetCharset(FormCharset());

    int count = 0;
    for (int i = 0; i < properties.Count(); ++i) {
        locstore::TLocProperty* item = properties.ItemAt(i);
        const AnsiString path = prefix.empty() ? item->Name() : prefix + "." + item->Name();
        TLocValue* value = item->ActiveValue();
        TLocValue* base = item->BaseValue();
        if (value->Revision() != base->Revision() && !UseOutdatedTranslations) value = base;
        if (SetPropertyValue(target, path, value)) ++count;
    }
    if (font && count == 0) font->SetCharset(oldCharset);
    if (formDepth_ == 0) judgedLists_.clear();
}

int TKLocalizerOnFly::FormCharset() const {
    // The native language's windows are the program's own forms, designed with the default
    // character set; a translated language's come from its module, whose forms carry the
    // language's character set. A live switch gives the fonts what a restart would.
    if (CurrentLanguageId == NativeLanguageId()) return nls::DEFAULT_CHARSET;
    return locstore::CharsetOfLanguage(CurrentLanguageId);
}

void TKLocalizerOnFly::JudgeLists(TLocComponent* entry, TPersistent* target, const AnsiString& prefix) {
    // Whether string lists still hold a known text is judged before any font changes, in the
    // code page they were filled in (a font shared through its parent changes with it).
    auto& properties = entry->Properties();
    for (int i = 0; i < properties.Count(); ++i) {
        locstore::TLocProperty* item = properties.ItemAt(i);
        const AnsiString path = prefix.empty() ? item->Name() : prefix + "." + item->Name();
        if (rtti::TStrings* list = StringsAt(target, path))
            judgedLists_.emplace_back(list, !HoldsKnownText(*list, item->Values()));
    }
}

rtti::TStrings* TKLocalizerOnFly::StringsAt(TPersistent* target, const AnsiString& path) const {
    AnsiString rest = path;
    for (int depth = 0; target && depth < 16; ++depth) {
        if (rtl::SameText(rest, "Strings")) return dynamic_cast<rtti::TStrings*>(target);
        const auto dot = rest.find('.');
        if (dot == AnsiString::npos) return nullptr;
        const rtti::TPropInfo* prop = rtti::GetPropInfo(*target, rest.substr(0, dot));
        if (!prop || prop->Kind != rtti::TTypeKind::tkClass || !prop->GetObj) return nullptr;
        target = prop->GetObj(*target);
        rest = rest.substr(dot + 1);
    }
    return nullptr;
}

bool TKLocalizerOnFly::HoldsKnownText(const rtti::TStrings& list, const locstore::TLocValueList& values) {
    if (list.Count() == 0) return true;
    rtti::TStringList known;
    for (int i = 0; i < values.Count(); ++i) {
        known.SetText(values.Value(i)->AsAnsi());
        if (known.Equals(list)) return true;
    }
    return false;
}

bool TKLocalizerOnFly::SetPropertyValue(TPersistent* target, const AnsiString& path, TLocValue* value) {
    if (!target || !value) return false;
    if (value->HasFlags(locstore::lvfNotApplied)) return false;
    if (SetSpecialValue(target, path, value)) return false;
    const auto dot = path.find('.');
    const AnsiString head = path.substr(0, dot);
    const AnsiString tail = dot == AnsiString::npos ? AnsiString() : path.substr(dot + 1);
    const rtti::TPropInfo* prop = rtti::GetPropInfo(*target, head);
    if (!prop) return false;
    switch (prop->Kind) {
        case rtti::TTypeKind::tkInteger:
        case rtti::TTypeKind::tkEnumeration: {
            // Kinds without a value in language files (identifiers, sets) reach here with an
            // empty text; that is no value, not a zero.
            const AnsiString text = rtl::Trim(value->AsAnsi());
            if (text.empty() || !prop->SetOrd) break;
            std::int32_t number = 0;
            if (prop->Kind == rtti::TTypeKind::tkEnumeration && prop->EnumType && !rtl::TryStrToInt(text, number)) {
                const int ordinal = prop->EnumType->ValueOf(text);
                if (ordinal >= 0) prop->SetOrd(*target, ordinal);
                break;
            }
            prop->SetOrd(*target, value->AsInteger());
            break;
        }
        case rtti::TTypeKind::tkString:
        case rtti::TTypeKind::tkLString:
            if (prop->SetStr) prop->SetStr(*target, value->AsAnsi());
            break;
        case rtti::TTypeKind::tkWString:
            if (prop->SetWStr) prop->SetWStr(*target, value->Text());
            break;
        case rtti::TTypeKind::tkClass: {
            // A property whose object is none has nothing to set.
            TPersistent* object = prop->GetObj ? prop->GetObj(*target) : nullptr;
            if (object) SetPropertyValue(object, tail, value);
            break;
        }
        default:
            break;
    }
    return true;
}

bool TKLocalizerOnFly::SetSpecialValue(TPersistent* target, const AnsiString& path, TLocValue* value) {
    if (rtl::SameText(path, "Strings") && InheritsFromName(target, {"TStrings", "TElWideStrings", "TTntStrings"})) {
        auto* strings = dynamic_cast<rtti::TStrings*>(target);
        if (!strings) return true;
        // Lines the user has typed stay: the list is replaced only while it holds a text that
        // came from the form resource or from a translation (some language's value of this item).
        // ApplyProperties judged its lists before touching fonts; a direct call judges now.
        auto judged = std::find_if(judgedLists_.begin(), judgedLists_.end(),
                                   [strings](const auto& judgement) { return judgement.first == strings; });
        const bool keep = judged != judgedLists_.end() ? judged->second
                                                       : value->Owner() && !HoldsKnownText(*strings, *value->Owner());
        if (keep) return true;
        rtti::TStringList replacement;
        replacement.SetText(value->AsAnsi());
        strings->Assign(replacement);
        return true;
    }
    if (target->ClassName() == "TTabbedNotebook") {
        auto* pages = dynamic_cast<rtti::TStrings*>(rtti::GetObjectProp(*target, "Pages"));
        if (!pages) return true;
        int page = 0;
        const auto dot = path.find('.');
        if (dot != AnsiString::npos) {
            const AnsiString head = path.substr(0, dot);
            std::int32_t number = 0;
            if (head.size() <= 8 || !rtl::TryStrToInt(head.substr(8), number) || number < 1) return true;
            page = number - 1;
        }
        if (pages->Count() > page)
            pages->Put(page, value->AsAnsi());
        else
            pages->Add(value->AsAnsi());
        return true;
    }
    return TranslateCustomObject(target, path, value);
}

TPersistent* TKLocalizerOnFly::ResolveComponentPath(TPersistent* component, const AnsiString& path,
                                                    AnsiString& restPath) {
    const auto dot = path.find('.');
    if (dot == AnsiString::npos) return FindSubComponent(component, path);
    const AnsiString head = path.substr(0, dot);
    const AnsiString tail = path.substr(dot + 1);
    TPersistent* obj = FindSubComponent(component, head);
    if (!obj) return nullptr;
    if (TPersistent* r = ResolveComponentPath(obj, tail, restPath)) return r;
    restPath = tail;
    return obj;
}

namespace {

// The class information answers what a dynamic_cast through the controls' deep class trees
// answered, at a small part of its cost (a switch asked it some seventy times).
rtti::TComponent* AsComponent(TPersistent* object) {
    return object && object->InheritsFrom(rtti::TComponent::StaticClass()) ? static_cast<rtti::TComponent*>(object)
                                                                          : nullptr;
}

}  // namespace

TPersistent* TKLocalizerOnFly::FindSubComponent(TPersistent* component, const AnsiString& name) {
    if (!component || name.empty()) return nullptr;
    if (rtti::TComponent* owner = AsComponent(component)) {
        if (rtti::TComponent* found = owner->FindComponent(name)) return found;
        for (int i = 0; i < owner->ComponentCount(); ++i)
            if (TPersistent* found = FindSubComponent(owner->Components(i), name)) {
                if (AsComponent(found)) return found;
            }
    }
    const rtti::TPropInfo* prop = rtti::GetPropInfo(*component, name);
    if (prop && prop->Kind == rtti::TTypeKind::tkClass && prop->GetObj) return prop->GetObj(*component);
    return nullptr;
}

void TKLocalizerOnFly::ApplyIndexedEntry(TPersistent* component, TLocComponent* entry, const AnsiString& name) {
    const auto open = name.find('[');
    if (open == AnsiString::npos) return;
    const AnsiString before = name.substr(0, open);
    const auto lastDot = before.rfind('.');
    AnsiString head = lastDot == AnsiString::npos ? before : before.substr(0, lastDot);
    AnsiString propName = lastDot == AnsiString::npos ? AnsiString() : before.substr(lastDot + 1);
    int index = 0;
    AnsiString rest;
    AnsiString ignored;
    if (!TakeIndexedPart(propName + name.substr(open), ignored, index, rest)) return;

    AnsiString unused;
    TPersistent* obj = ResolveComponentPath(component, head, unused);
    while (obj) {
        if (!propName.empty()) {
            const rtti::TPropInfo* prop = rtti::GetPropInfo(*obj, propName);
            if (prop && prop->Kind == rtti::TTypeKind::tkClass && prop->GetObj)
                obj = prop->GetObj(*obj);
            else
                obj = FindCustomItem(obj, propName, index);
        }
        if (!obj) break;
        if (auto* collection = dynamic_cast<rtti::TCollection*>(obj)) {
            if (index >= collection->Count()) return;
            obj = collection->Items(index);
        } else {
            obj = FindCustomItem(obj, propName, index);
        }
        if (!obj || rest.empty()) break;
        if (!TakeIndexedPart(rest, propName, index, rest)) return;
    }
    if (obj) ApplyProperties(entry, obj, AnsiString());
}

bool TKLocalizerOnFly::InheritsFromName(const TPersistent* object, std::initializer_list<std::string_view> names) {
    if (!object) return false;
    return object->ClassType()->InheritsFromName(names);
}

}  // namespace localizer
