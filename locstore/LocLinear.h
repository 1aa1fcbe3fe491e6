#pragma once
// Flat views of the translation store: every property, constant or entry in one list, which the
// language file reader builds to find items by number or by name.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "locstore/LocItem.h"

namespace locstore {

class TLocProperty;
class TLocConstant;
class TLocExtItem;

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

}  // namespace locstore
