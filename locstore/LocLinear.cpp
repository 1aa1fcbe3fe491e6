// Flat views of the store, sorted by number or indexed by folded names on first use.

#include "locstore/LocLinear.h"

#include <algorithm>

#include "locstore/LocStorage.h"

namespace locstore {

namespace {

// Appends a case-folded name with its length, so that joined keys cannot run into each other.
void AppendKeyPart(AnsiString& key, const AnsiString& part) {
    const auto n = static_cast<std::uint32_t>(part.size());
    key.append(reinterpret_cast<const char*>(&n), sizeof n);
    for (char c : part) key += static_cast<char>(FoldNameChar(static_cast<unsigned char>(c)));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Flat views

TLocItem* TLinearItemList::ItemAt(int index) const {
    if (index < 0 || index >= Count()) rtl::RaiseListIndexError(index);
    return items_[static_cast<std::size_t>(index)];
}

int TLinearItemList::IndexOfId(std::int32_t id) const {
    if (!sorted_) {
        for (int i = 0; i < Count(); ++i)
            if (items_[static_cast<std::size_t>(i)]->Id() == id) return i;
        return -1;
    }
    auto idAt = [this](int i) { return items_[static_cast<std::size_t>(i)]->Id(); };
    int low = 0;
    int high = Count() - 1;
    while (low <= high) {
        const int mid = low + (high - low) / 2;
        if (mid == low || mid == high) {
            if (idAt(low) == id) return low;
            if (idAt(high) == id) return high;
            return -1;
        }
        if (idAt(mid) == id) return mid;
        if (idAt(mid) >= id) high = mid - 1;
        else low = mid + 1;
    }
    return -1;
}

void TLinearItemList::Clear() {
    items_.clear();
    sorted_ = false;
    Changed();
}

void TLinearItemList::AddItem(TLocItem* item) {
    items_.push_back(item);
    Changed();
}

void TLinearItemList::Finish(bool sort) {
    if (sort)
        std::stable_sort(items_.begin(), items_.end(), [](const TLocItem* a, const TLocItem* b) { return a->Id() < b->Id(); });
    sorted_ = sort;
    Changed();
}

int TLinearPropertyList::IndexOfName(const AnsiString& formName, const AnsiString& componentName,
                                     const AnsiString& propertyName) const {
    if (index_.empty() && !items_.empty()) {
        index_.reserve(items_.size());
        AnsiString key;
        for (std::size_t i = 0; i < items_.size(); ++i) {
            const auto* prop = static_cast<const TLocProperty*>(items_[i]);
            const TLocForm* form = prop->OwnerForm();
            const TLocComponent* parent = prop->Parent();
            const bool ownProperty = parent == nullptr || parent->Parent() == nullptr;
            key.clear();
            AppendKeyPart(key, form != nullptr ? form->Name() : AnsiString());
            AppendKeyPart(key, ownProperty ? AnsiString() : parent->Name());
            AppendKeyPart(key, prop->Name());
            index_.emplace(key, static_cast<int>(i));  // the first one stays
        }
    }
    AnsiString key;
    AppendKeyPart(key, formName);
    AppendKeyPart(key, componentName);
    AppendKeyPart(key, propertyName);
    auto it = index_.find(key);
    return it != index_.end() ? it->second : -1;
}

void TLinearPropertyList::Changed() {
    if (!index_.empty()) index_ = {};
}

int TLinearConstantList::IndexOfName(const AnsiString& unitName, const AnsiString& constantName) const {
    if (index_.empty() && !items_.empty()) {
        index_.reserve(items_.size());
        AnsiString key;
        for (std::size_t i = 0; i < items_.size(); ++i) {
            const auto* constant = static_cast<const TLocConstant*>(items_[i]);
            key.clear();
            AppendKeyPart(key, constant->Parent() != nullptr ? constant->Parent()->Name() : AnsiString());
            AppendKeyPart(key, constant->Name());
            index_.emplace(key, static_cast<int>(i));
        }
    }
    AnsiString key;
    AppendKeyPart(key, unitName);
    AppendKeyPart(key, constantName);
    auto it = index_.find(key);
    return it != index_.end() ? it->second : -1;
}

void TLinearConstantList::Changed() {
    if (!index_.empty()) index_ = {};
}

}  // namespace locstore
