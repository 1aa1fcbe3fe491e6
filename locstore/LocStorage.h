#pragma once
// The translation store: for every form and component its translatable properties, for every
// unit of message strings its constants, for every external group its entries, each item with
// one value per language of the store (index 0 is the base language, the language of the main
// language file).
//
// Building blocks first: the per-language value (TLocValue) and an item's list of them
// (TLocValueList); the named item and the owning list that keeps named items sorted by name
// (TNamedItem, TNamedItemList); the translatable item (TLocItem, TLocItemList). Then the tree
// (TLocStorage, forms, components, units, external groups and their items) and the flat views
// (TLinearPropertyList, TLinearConstantList, TLinearExternalList) that the language file reader
// builds to find items by number.
//
// Owning lists destroy their children; every back reference (value to its list, item to its
// parent, container to its store) is a plain pointer.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "locstore/KUtils.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysTypes.h"

namespace locstore {

// The user's default language id, which new values, value lists and stores start in.
std::uint16_t UserDefaultLanguageId();

using rtl::AnsiString;
using rtl::WideString;

VLMRK_DECLARE_EXCEPTION(ELocStorageError, rtl::Exception);

VLMRK_RESSTRING(SLocStorageEmptyDictionary, 65150, "LocStorage", "Empty dictionary");
VLMRK_RESSTRING(SLocStorageCannotAddLanguage, 65151, "LocStorage", "Could not add language");

// Value kinds: what a value's text holds. The language file gives one per property; constants
// and external entries are always strings.
inline constexpr std::uint8_t lvkFloat = 0;       // a floating-point number as text
inline constexpr std::uint8_t lvkInteger = 1;     // a 32-bit signed integer as decimal text
inline constexpr std::uint8_t lvkString = 2;      // a single string
inline constexpr std::uint8_t lvkList = 3;        // a list whose elements are not all strings
inline constexpr std::uint8_t lvkStrings = 4;     // a list of strings, one per line
inline constexpr std::uint8_t lvkBinary = 5;      // binary property data
inline constexpr std::uint8_t lvkIdentifier = 6;  // an identifier or other named constant
inline constexpr std::uint8_t lvkSet = 7;         // a set, elements joined with ","
inline constexpr std::uint8_t lvkInt64 = 8;       // a 64-bit signed integer as decimal text

// Value flag bits. The store keeps them; the live translation, the form processor and the
// language file reader give them their meaning.
inline constexpr std::uint16_t lvfNotApplied = 0x0008;     // never written into a component
inline constexpr std::uint16_t lvfAddedProperty = 0x0010;  // appended to its component's form data
inline constexpr std::uint16_t lvfUseOutdated = 0x0100;    // cleared by the reader on an older revision

// Flag bit of a form or component: its font keeps its character set.
inline constexpr std::uint16_t lcfKeepCharset = 0x0004;

class TLocValueList;
class TLocStorage;
class TLocForm;
class TLocComponent;
class TLocUnit;
class TLocExtGroup;
class TLocProperty;
class TLocConstant;
class TLocExtItem;
class TLinearItemList;
class TLinearPropertyList;
class TLinearConstantList;
class TLinearExternalList;

// ---------------------------------------------------------------------------------------------
// Values

// One language's value of an item. Its text is wide whatever the kind; the ANSI views use the code
// page of the value's own language.
class TLocValue : public rtl::TObject {
public:
    // The value starts empty, revision 0, no flags, in the user's default language. It is not
    // added to its owner here.
    explicit TLocValue(TLocValueList* owner);
    TLocValue(TLocValueList* owner, std::uint16_t languageId);
    ~TLocValue() override;

    TLocValueList* Owner() const { return owner_; }
    // The owner list's kind (a value without an owner counts as a string).
    std::uint8_t Kind() const;
    // True for the first value of its owner list.
    bool IsBaseValue() const;

    const WideString& Text() const { return text_; }
    // Sets the text. On the base value, every value of the list with a negative revision
    // follows: it receives the new text through the base language's and its own code page.
    void SetText(WideString text);
    // The text in the code page of LanguageId.
    AnsiString AsAnsi() const;
    // Text read with the code page of LanguageId, then SetText.
    void SetAnsi(const AnsiString& text);
    // AsAnsi split at CR, LF and CR LF; a break at the very end adds no line, a zero byte ends
    // the text. The list stays owned by the value and is replaced by the next call.
    const std::vector<AnsiString>& AsLines();
    // The text (system code page) trimmed and read as a number; 0 when empty or not a number.
    std::int32_t AsInteger() const;
    double AsFloat() const;
    // The text (system code page) read as a 64-bit integer without trimming; raises
    // rtl::EConvertError when it is not one.
    std::int64_t AsInt64() const;
    // Reads the value's data from a language file body. With format 1..3 only kinds 2 and 4 carry
    // data. The text is set directly, without passing it on to untranslated values. A short
    // stream raises rtl::EReadError and leaves the text as it was.
    void LoadFromStream(rtl::TStream& stream, int formatVersion);

    std::uint64_t Stamp() const { return stamp_; }
    void SetStamp(std::uint64_t stamp) { stamp_ = stamp; }
    // Negative: untranslated, follows the base value. A translation is current when its revision
    // equals the base value's.
    std::int32_t Revision() const { return revision_; }
    void SetRevision(std::int32_t revision) { revision_ = revision; }
    std::uint16_t Flags() const { return flags_; }
    // True when every bit of mask is set (so mask 0 is always true).
    bool HasFlags(std::uint16_t mask) const { return (flags_ & mask) == mask; }
    void SetFlags(std::uint16_t mask, bool on);
    // Replaces the whole flag word (the reader takes it from the file).
    void SetFlagWord(std::uint16_t flags) { flags_ = flags; }
    std::uint16_t LanguageId() const { return languageId_; }
    void SetLanguageId(std::uint16_t languageId) { languageId_ = languageId; }

private:
    TLocValueList* owner_;
    std::uint64_t stamp_ = 0;
    WideString text_;
    std::int32_t revision_ = 0;
    std::uint16_t flags_ = 0;
    std::uint16_t languageId_;
    // Scratch list of AsLines, made on first use: most values never need it.
    std::unique_ptr<std::vector<AnsiString>> lines_;
};

// An item's values, one per store language; index 0 is the base value. Owns its values.
class TLocValueList : public TKObjectListOf<TLocValue> {
public:
    // Creates the list holding its base value (in the user's default language).
    explicit TLocValueList(std::uint8_t kind);
    TLocValueList(std::uint8_t kind, std::uint16_t baseLanguageId);

    std::uint8_t Kind() const { return kind_; }
    // Indexed access; outside 0 .. Count-1 raises the list index error.
    TLocValue* Value(int index) const { return ItemAt(index); }

private:
    std::uint8_t kind_;
};

// ---------------------------------------------------------------------------------------------
// Named items

class TNamedItem : public rtl::TObject {
public:
    explicit TNamedItem(AnsiString name) : name_(std::move(name)) {}
    const AnsiString& Name() const { return name_; }

private:
    AnsiString name_;
};

// An owning list of named items kept in ascending order of Name under Compare, no two equal.
// Items enter only through FindOrAdd.
class TNamedItemList : public TKObjectListOf<TNamedItem> {
public:
    TNamedItemList() = default;

    // The position of the last FindOrAdd (-1 at creation and after Clear).
    int LastIndex() const { return lastIndex_; }
    // Set for the constants of a unit: names are then told apart by case.
    bool MatchCase() const { return matchCase_; }

    // Negative, zero or positive. Without MatchCase only "a".."z" fold to upper case, so "_" and
    // the other characters between "Z" and "a" sort after every letter. Bytes compare unsigned;
    // a prefix sorts first.
    int Compare(const AnsiString& a, const AnsiString& b) const;
    // Halving search. Found: true and its index. Not found: false and the insertion point.
    bool Find(const AnsiString& name, int& index) const;
    // The index of the item with this name, or -1. Leaves LastIndex alone.
    int IndexOf(const AnsiString& name) const;
    // The item with this name, made through CreateItem and inserted in order when absent.
    // Repeated calls with the same name answer from LastIndex without searching.
    TNamedItem* FindOrAdd(const AnsiString& name);
    // Resets LastIndex, then destroys every item, first to last.
    void Clear() override;

protected:
    explicit TNamedItemList(bool matchCase) : matchCase_(matchCase) {}
    // Makes the item FindOrAdd(Name) inserts; each list of the store makes its own class.
    virtual std::unique_ptr<TNamedItem> CreateItem(const AnsiString& name);
    // FindOrAdd with the given maker for a new item (the item lists pass id, kind, ...).
    template <class Make>
    TNamedItem* FindOrAddWith(const AnsiString& name, Make&& make);

private:
    // Items come only through FindOrAdd, which keeps the order.
    using TKObjectListOf<TNamedItem>::Add;
    using TKObjectListOf<TNamedItem>::Insert;

    int lastIndex_ = -1;
    bool matchCase_ = false;
};

template <class Make>
TNamedItem* TNamedItemList::FindOrAddWith(const AnsiString& name, Make&& make) {
    if (lastIndex_ >= 0 && lastIndex_ < Count()) {
        TNamedItem* last = ItemAt(lastIndex_);
        if (Compare(last->Name(), name) == 0) return last;
    }
    int index = 0;
    bool found = Find(name, index);
    lastIndex_ = index;
    if (found) return ItemAt(index);
    std::unique_ptr<TNamedItem> item = make(name);
    TNamedItem* raw = item.get();
    TKObjectListOf<TNamedItem>::Insert(index, std::move(item));
    return raw;
}

// ---------------------------------------------------------------------------------------------
// Translatable items

// A named item with a number and one value per store language.
class TLocItem : public TNamedItem {
public:
    // Sets Store, Id and Name, creates Values with the base value and adds an empty value
    // (revision 0) for every further store language.
    TLocItem(TLocStorage* store, std::uint8_t kind, const AnsiString& name, std::int32_t id);
    ~TLocItem() override;

    // Number within its class (properties, constants, entries); 0 = not yet numbered.
    std::int32_t Id() const { return id_; }
    void SetId(std::int32_t id) { id_ = id; }
    TLocStorage* Store() const { return store_; }
    TLocValueList& Values() const { return *values_; }

    // The index of the value shown now: 0 here; a property answers its store's active language.
    virtual int ActiveValueIndex() const;
    // Creates a value in this language with this text (no revision change) and appends it.
    int AddValue(const WideString& text, std::uint16_t languageId);
    TLocValue* BaseValue() const { return values_->Value(0); }
    TLocValue* ActiveValue() const { return values_->Value(ActiveValueIndex()); }
    std::uint8_t ValueKind() const { return values_->Kind(); }
    // HasFlags of the base value.
    bool HasFlags(std::uint16_t mask) const { return BaseValue()->HasFlags(mask); }

protected:
    // Adds the values of the store languages 1 .. LanguageCount-1, empty, revision 0. Runs from
    // this class's constructor.
    virtual void InitValues();

private:
    std::int32_t id_;
    TLocStorage* store_;
    std::unique_ptr<TLocValueList> values_;
};

// Base of the lists of properties, constants and entries.
class TLocItemList : public TNamedItemList {
public:
    TLocItem* ItemAt(int index) const { return static_cast<TLocItem*>(TNamedItemList::ItemAt(index)); }
    // The item with this name, or none.
    TLocItem* Find(const AnsiString& name) const;
    using TNamedItemList::Find;
    // Linear scan: the index of the first item with this Id, or -1.
    int IndexOfId(std::int32_t id) const;

protected:
    TLocItemList() = default;
    explicit TLocItemList(bool matchCase) : TNamedItemList(matchCase) {}
    // Appends every item, in list order, to a flat view (which does not own them); no view, no-op.
    void AppendItemsTo(TLinearItemList* list) const;
};

// ---------------------------------------------------------------------------------------------
// Flat views: every property, constant or entry of the store in one list, optionally sorted by
// Id. Built for one pass and freed; they own nothing and must not outlive a change of the tree.

class TLinearItemList : public rtl::TObject {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // Indexed access; outside 0 .. Count-1 raises the list index error.
    TLocItem* ItemAt(int index) const;
    bool Sorted() const { return sorted_; }
    // Halving search when Sorted, else the first item with this Id; -1 when absent.
    int IndexOfId(std::int32_t id) const;
    void Clear();

protected:
    friend class TLocItemList;
    friend class TLocFormList;
    friend class TLocUnitList;
    friend class TLocExtGroupList;
    void AddItem(TLocItem* item);
    // Sorted by Id ascending (signed) with Sort, else marked unsorted.
    void Finish(bool sort);
    // Drops cached look-up data after a change.
    virtual void Changed() {}

    std::vector<TLocItem*> items_;

private:
    bool sorted_ = false;
};

template <class T>
class TLinearItemListOf : public TLinearItemList {
public:
    T* ItemAt(int index) const { return static_cast<T*>(TLinearItemList::ItemAt(index)); }
};

class TLinearPropertyList : public TLinearItemListOf<TLocProperty> {
public:
    // The first property of that form, component (empty for the form's own properties) and
    // name, all ignoring the case of "a".."z"; -1 when absent.
    int IndexOfName(const AnsiString& formName, const AnsiString& componentName,
                    const AnsiString& propertyName) const;

protected:
    void Changed() override;

private:
    // First position of each folded name triple, made on the first IndexOfName so that matching
    // a whole file by names stays linear.
    mutable std::unordered_map<AnsiString, int> index_;
};

class TLinearConstantList : public TLinearItemListOf<TLocConstant> {
public:
    // The first constant of that unit and name, both ignoring the case of "a".."z" (although a
    // unit tells its constants apart by case); -1 when absent.
    int IndexOfName(const AnsiString& unitName, const AnsiString& constantName) const;

protected:
    void Changed() override;

private:
    mutable std::unordered_map<AnsiString, int> index_;
};

class TLinearExternalList : public TLinearItemListOf<TLocExtItem> {};

// ---------------------------------------------------------------------------------------------
// The store's lists of items

class TLocPropertyList : public TLocItemList {
public:
    explicit TLocPropertyList(TLocComponent* parent) : parent_(parent) {}
    TLocComponent* Parent() const { return parent_; }
    TLocProperty* ItemAt(int index) const;
    TLocProperty* Find(const AnsiString& name) const;
    using TLocItemList::Find;
    // The property of this name; a new one gets Id and Kind. An existing one is returned as it
    // is (its Id and kind are not updated).
    TLocProperty* FindOrAdd(std::int32_t id, const AnsiString& name, std::uint8_t kind);
    void AppendTo(TLinearPropertyList* list) const { AppendItemsTo(list); }

protected:
    // A property with Id 0 and kind string.
    std::unique_ptr<TNamedItem> CreateItem(const AnsiString& name) override;

private:
    TLocComponent* parent_;
};

// The constants of a unit: names are told apart by case.
class TLocConstantList : public TLocItemList {
public:
    explicit TLocConstantList(TLocUnit* parent) : TLocItemList(true), parent_(parent) {}
    TLocUnit* Parent() const { return parent_; }
    TLocConstant* ItemAt(int index) const;
    TLocConstant* Find(const AnsiString& name) const;
    using TLocItemList::Find;
    TLocConstant* FindOrAdd(std::int32_t id, const AnsiString& name, std::uint32_t resourceId);
    void AppendTo(TLinearConstantList* list) const { AppendItemsTo(list); }

protected:
    std::unique_ptr<TNamedItem> CreateItem(const AnsiString& name) override;

private:
    TLocUnit* parent_;
};

class TLocExtItemList : public TLocItemList {
public:
    explicit TLocExtItemList(TLocExtGroup* parent) : parent_(parent) {}
    TLocExtGroup* Parent() const { return parent_; }
    TLocExtItem* ItemAt(int index) const;
    TLocExtItem* Find(const AnsiString& name) const;
    using TLocItemList::Find;
    TLocExtItem* FindOrAdd(std::int32_t id, const AnsiString& name);
    void AppendTo(TLinearExternalList* list) const { AppendItemsTo(list); }

protected:
    std::unique_ptr<TNamedItem> CreateItem(const AnsiString& name) override;

private:
    TLocExtGroup* parent_;
};

// ---------------------------------------------------------------------------------------------
// Items

// A translatable property of a form or of one of its components.
class TLocProperty : public TLocItem {
public:
    TLocProperty(std::int32_t id, TLocComponent* parent, std::uint8_t kind, const AnsiString& name);
    // The component, or the form itself for a property of the form.
    TLocComponent* Parent() const { return parent_; }
    // The parent's form, or the parent when it is the form.
    TLocForm* OwnerForm() const;
    // The store's ActiveLanguageIndex.
    int ActiveValueIndex() const override;

private:
    TLocComponent* parent_;
};

// A message string of a unit; ResourceId is its number in the program's string tables.
class TLocConstant : public TLocItem {
public:
    TLocConstant(std::int32_t id, TLocUnit* parent, std::uint32_t resourceId, const AnsiString& name);
    TLocUnit* Parent() const { return parent_; }
    std::uint32_t ResourceId() const { return resourceId_; }

private:
    TLocUnit* parent_;
    std::uint32_t resourceId_;
};

class TLocExtItem : public TLocItem {
public:
    TLocExtItem(std::int32_t id, TLocExtGroup* parent, const AnsiString& name);
    TLocExtGroup* Parent() const { return parent_; }

private:
    TLocExtGroup* parent_;
};

// ---------------------------------------------------------------------------------------------
// Containers

class TLocComponent : public TNamedItem {
public:
    TLocComponent(const AnsiString& name, TLocForm* parent);
    ~TLocComponent() override;
    // The form; none when this object is the form.
    TLocForm* Parent() const { return parent_; }
    TLocPropertyList& Properties() const { return *properties_; }
    std::uint16_t Flags() const { return flags_; }
    void SetFlags(std::uint16_t flags) { flags_ = flags; }
    bool HasFlags(std::uint16_t mask) const { return (flags_ & mask) == mask; }

private:
    TLocForm* parent_;
    std::unique_ptr<TLocPropertyList> properties_;
    std::uint16_t flags_ = 0;
};

class TLocComponentList : public TNamedItemList {
public:
    explicit TLocComponentList(TLocForm* parent) : parent_(parent) {}
    TLocForm* Parent() const { return parent_; }
    TLocComponent* ItemAt(int index) const;
    TLocComponent* FindOrAdd(const AnsiString& name);

protected:
    std::unique_ptr<TNamedItem> CreateItem(const AnsiString& name) override;

private:
    TLocForm* parent_;
};

// A form is a component with its own components.
class TLocForm : public TLocComponent {
public:
    TLocForm(const AnsiString& name, TLocStorage* store);
    ~TLocForm() override;
    TLocStorage* Store() const { return store_; }
    TLocComponentList& Components() const { return *components_; }
    // An empty name gives the form itself; otherwise the component of that name, or none.
    TLocComponent* FindComponent(const AnsiString& name) const;

private:
    std::unique_ptr<TLocComponentList> components_;
    TLocStorage* store_;
};

class TLocFormList : public TNamedItemList {
public:
    explicit TLocFormList(TLocStorage* store) : store_(store) {}
    TLocStorage* Store() const { return store_; }
    TLocForm* ItemAt(int index) const;
    TLocForm* FindOrAdd(const AnsiString& name);
    // Appends every form's own properties and then its components' properties, form by form,
    // component by component. The view is not emptied first. Sort orders it by Id.
    void CollectProperties(TLinearPropertyList& list, bool sort) const;

protected:
    std::unique_ptr<TNamedItem> CreateItem(const AnsiString& name) override;

private:
    TLocStorage* store_;
};

class TLocUnit : public TNamedItem {
public:
    TLocUnit(const AnsiString& name, TLocStorage* store);
    ~TLocUnit() override;
    TLocStorage* Store() const { return store_; }
    TLocConstantList& Constants() const { return *constants_; }
    std::uint16_t Flags() const { return flags_; }
    void SetFlags(std::uint16_t flags) { flags_ = flags; }
    bool HasFlags(std::uint16_t mask) const { return (flags_ & mask) == mask; }

private:
    std::unique_ptr<TLocConstantList> constants_;
    std::uint16_t flags_ = 0;
    TLocStorage* store_;
};

class TLocUnitList : public TNamedItemList {
public:
    explicit TLocUnitList(TLocStorage* store) : store_(store) {}
    TLocStorage* Store() const { return store_; }
    TLocUnit* ItemAt(int index) const;
    TLocUnit* FindOrAdd(const AnsiString& name);
    // Appends every unit's constants, unit by unit. Sort orders the view by Id.
    void CollectConstants(TLinearConstantList& list, bool sort) const;

protected:
    std::unique_ptr<TNamedItem> CreateItem(const AnsiString& name) override;

private:
    TLocStorage* store_;
};

class TLocExtGroup : public TNamedItem {
public:
    TLocExtGroup(const AnsiString& name, TLocStorage* store);
    ~TLocExtGroup() override;
    TLocStorage* Store() const { return store_; }
    TLocExtItemList& Entries() const { return *entries_; }
    std::uint16_t Flags() const { return flags_; }
    void SetFlags(std::uint16_t flags) { flags_ = flags; }
    bool HasFlags(std::uint16_t mask) const { return (flags_ & mask) == mask; }

private:
    std::unique_ptr<TLocExtItemList> entries_;
    std::uint16_t flags_ = 0;
    TLocStorage* store_;
};

class TLocExtGroupList : public TNamedItemList {
public:
    explicit TLocExtGroupList(TLocStorage* store) : store_(store) {}
    TLocStorage* Store() const { return store_; }
    TLocExtGroup* ItemAt(int index) const;
    TLocExtGroup* FindOrAdd(const AnsiString& name);
    // Appends every group's entries, group by group. Sort orders the view by Id.
    void CollectEntries(TLinearExternalList& list, bool sort) const;

protected:
    std::unique_ptr<TNamedItem> CreateItem(const AnsiString& name) override;

private:
    TLocStorage* store_;
};

// The store's languages in order; index 0 is the base language. Does not own anything.
class TLocaleList {
public:
    int Count() const { return static_cast<int>(ids_.size()); }
    // Indexed access; outside 0 .. Count-1 raises the list index error.
    std::uint16_t ItemAt(int index) const;
    int Add(std::uint16_t languageId);
    // The first equal id, or -1.
    int IndexOf(std::uint16_t languageId) const;
    void SetItem(int index, std::uint16_t languageId);
    void RemoveLast() { ids_.pop_back(); }

private:
    std::vector<std::uint16_t> ids_;
};

// ---------------------------------------------------------------------------------------------
// The store

class TLocStorage : public rtl::TObject {
public:
    // One language, the user's default language id, and no items.
    TLocStorage();
    ~TLocStorage() override;

    TLocFormList& Forms() const { return *forms_; }
    TLocUnitList& Units() const { return *units_; }
    TLocExtGroupList& ExternalGroups() const { return *externalGroups_; }
    // Read-only: languages change only through AddLanguage, SetBaseLanguage and SetLanguageAt,
    // which keep every item's values in step.
    const TLocaleList& LanguageIds() const { return *languageIds_; }
    std::uint16_t BaseLanguageId() const { return baseLanguageId_; }
    // The language shown now; properties answer it as their active value. Set by the localizer.
    std::int32_t ActiveLanguageIndex() const { return activeLanguageIndex_; }
    void SetActiveLanguageIndex(std::int32_t index) { activeLanguageIndex_ = index; }

    int LanguageCount() const { return languageIds_->Count(); }
    // The id at index, 0 when outside the list.
    std::uint16_t LanguageAt(int index) const;
    // The first equal id, or -1.
    int IndexOfLanguage(std::uint16_t languageId) const;
    // Appends a language and gives every item a value in it: the text of value sourceIndex, through
    // its own and the new language's code page, revision -1 (untranslated). Does not check for a
    // duplicate id. Answers the new language's index. A bad sourceIndex raises ELocStorageError
    // and changes nothing.
    int AddLanguage(int sourceIndex, std::uint16_t languageId);
    // Takes the last language out again, with every item's value in it (a load into it failed);
    // the base language stays. The active language falls back to the base when it was the last.
    void RemoveLastLanguage();
    // BaseLanguageId and the language of every base value (texts untouched).
    void SetBaseLanguage(std::uint16_t languageId);
    // Language index becomes languageId, for the list and for value index of every item; texts
    // are not converted. An index outside the languages raises the list index error once an item
    // exists.
    void SetLanguageAt(int index, std::uint16_t languageId);
    // Frees every form, unit and external group (a main language file starts so).
    void ClearItems();

    // The first constant with this Id, unit by unit.
    TLocConstant* FindConstantById(std::int32_t id) const;
    // The first property with this Id: form by form, each form's own properties before its
    // components'.
    TLocProperty* FindPropertyById(std::int32_t id) const;
    // The entry of that group and name, or none.
    TLocExtItem* FindEntry(const AnsiString& groupName, const AnsiString& entryName) const;

private:
    std::unique_ptr<TLocaleList> languageIds_;
    std::unique_ptr<TLocFormList> forms_;
    std::unique_ptr<TLocUnitList> units_;
    std::unique_ptr<TLocExtGroupList> externalGroups_;
    std::uint16_t baseLanguageId_ = 0;
    std::int32_t activeLanguageIndex_ = 0;
};

}  // namespace locstore
