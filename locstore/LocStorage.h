#pragma once
// The translation store: for every form and component its translatable properties, for every
// unit of message strings its constants, for every external group its entries, each item with
// one value per language of the store (index 0 is the base language, the language of the main
// language file).
//
// Its building blocks have headers of their own: values (LocValue.h), named and translatable
// items and their lists (LocItem.h) and the flat views (LocLinear.h). Owning lists destroy their
// children; every back reference (value to its list, item to its parent, container to its store)
// is a plain pointer.

#include <cstdint>
#include <memory>
#include <vector>

#include "locstore/LocItem.h"
#include "locstore/LocLinear.h"
#include "locstore/LocValue.h"
#include "platform/rtl/Exception.h"

namespace locstore {

VLMRK_DECLARE_EXCEPTION(ELocStorageError, rtl::Exception);

VLMRK_RESSTRING(SLocStorageEmptyDictionary, 65150, "LocStorage", "Empty dictionary");
VLMRK_RESSTRING(SLocStorageCannotAddLanguage, 65151, "LocStorage", "Could not add language");

class TLocForm;
class TLocComponent;
class TLocUnit;
class TLocExtGroup;
class TLocProperty;
class TLocConstant;
class TLocExtItem;

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
