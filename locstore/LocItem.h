#pragma once
// Named items of the translation store: the owning list that keeps items sorted by name
// (TNamedItem, TNamedItemList) and the translatable item with its values (TLocItem, TLocItemList).

#include <cstdint>
#include <memory>
#include <utility>

#include "locstore/LocValue.h"

namespace locstore {

class TLocStorage;
class TLinearItemList;

// Names compare with only "a".."z" folded to upper case.
inline unsigned char FoldNameChar(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 0x20) : c;
}


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
    // Names mostly come in the list's own order (a file read into a store that holds its names):
    // the one found last, or the one after it.
    for (int at : {lastIndex_, lastIndex_ + 1}) {
        if (at < 0 || at >= Count()) continue;
        TNamedItem* near = ItemAt(at);
        if (Compare(near->Name(), name) != 0) continue;
        lastIndex_ = at;
        return near;
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

}  // namespace locstore
