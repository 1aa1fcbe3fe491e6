// Named items and their sorted owning list; translatable items and their values.

#include "locstore/LocItem.h"

#include <algorithm>

#include "locstore/LocStorage.h"

namespace locstore {

// ---------------------------------------------------------------------------------------------
// TNamedItemList

int TNamedItemList::Compare(const AnsiString& a, const AnsiString& b) const {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (!matchCase_) {
            x = FoldNameChar(x);
            y = FoldNameChar(y);
        }
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool TNamedItemList::Find(const AnsiString& name, int& index) const {
    int low = 0;
    int high = Count() - 1;
    while (low <= high) {
        const int mid = low + (high - low) / 2;
        const int c = Compare(name, ItemAt(mid)->Name());
        if (c < 0) {
            high = mid - 1;
        } else if (c > 0) {
            low = mid + 1;
        } else {
            index = mid;
            return true;
        }
    }
    index = low;
    return false;
}

int TNamedItemList::IndexOf(const AnsiString& name) const {
    int index = 0;
    return Find(name, index) ? index : -1;
}

TNamedItem* TNamedItemList::FindOrAdd(const AnsiString& name) {
    return FindOrAddWith(name, [this](const AnsiString& n) { return CreateItem(n); });
}

void TNamedItemList::Clear() {
    lastIndex_ = -1;
    TKObjectListOf<TNamedItem>::Clear();
}

std::unique_ptr<TNamedItem> TNamedItemList::CreateItem(const AnsiString& name) {
    return std::make_unique<TNamedItem>(name);
}

// ---------------------------------------------------------------------------------------------
// TLocItem, TLocItemList

TLocItem::TLocItem(TLocStorage* store, std::uint8_t kind, const AnsiString& name, std::int32_t id)
    : TNamedItem(name), id_(id), store_(store), values_(std::make_unique<TLocValueList>(kind)) {
    TLocItem::InitValues();
}

TLocItem::~TLocItem() = default;

int TLocItem::ActiveValueIndex() const { return 0; }

void TLocItem::InitValues() {
    if (store_ == nullptr) return;
    for (int i = 1; i < store_->LanguageCount(); ++i) AddValue(WideString(), store_->LanguageAt(i));
}

int TLocItem::AddValue(const WideString& text, std::uint16_t languageId) {
    auto value = std::make_unique<TLocValue>(values_.get(), languageId);
    value->SetText(text);
    return values_->Add(std::move(value));
}

TLocItem* TLocItemList::Find(const AnsiString& name) const {
    const int index = IndexOf(name);
    return index >= 0 ? ItemAt(index) : nullptr;
}

int TLocItemList::IndexOfId(std::int32_t id) const {
    for (int i = 0; i < Count(); ++i)
        if (ItemAt(i)->Id() == id) return i;
    return -1;
}

void TLocItemList::AppendItemsTo(TLinearItemList* list) const {
    if (list == nullptr) return;
    for (int i = 0; i < Count(); ++i) list->AddItem(ItemAt(i));
}

}  // namespace locstore
