#include "locstore/KUtils.h"

namespace locstore {

void TKObjectList::CheckIndex(int index, int limit) const {
    if (index < 0 || index > limit) rtl::RaiseListIndexError(index);
}

int TKObjectList::Add(std::unique_ptr<rtl::TObject> obj) {
    items_.push_back(std::move(obj));
    return Count() - 1;
}

void TKObjectList::Insert(int index, std::unique_ptr<rtl::TObject> obj) {
    CheckIndex(index, Count());
    items_.insert(items_.begin() + index, std::move(obj));
}

rtl::TObject* TKObjectList::ItemAt(int index) const {
    CheckIndex(index, Count() - 1);
    return items_[static_cast<std::size_t>(index)].get();
}

void TKObjectList::Delete(int index) {
    CheckIndex(index, Count() - 1);
    items_.erase(items_.begin() + index);
}

std::unique_ptr<rtl::TObject> TKObjectList::Extract(int index) {
    CheckIndex(index, Count() - 1);
    auto obj = std::move(items_[static_cast<std::size_t>(index)]);
    items_.erase(items_.begin() + index);
    return obj;
}

void TKObjectList::DestroyAll() {
    // First to last, as the owners of the store's items expect.
    for (auto& item : items_) item.reset();
    items_.clear();
}

}  // namespace locstore
