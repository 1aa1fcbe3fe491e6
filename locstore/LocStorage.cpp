#include "locstore/LocStorage.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "locstore/KLocales.h"
#include "locstore/KStrings.h"
#include "platform/nls/Nls.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/PackedStrings.h"
#include "platform/rtl/RtlConsts.h"

namespace locstore {

namespace {

// Code pages asked once per language during a pass over every item.
class TCodePageCache {
public:
    int Of(std::uint16_t languageId) {
        for (const auto& [id, cp] : cache_)
            if (id == languageId) return cp;
        const int cp = CodePageOfLanguage(languageId);
        cache_.emplace_back(languageId, cp);
        return cp;
    }

private:
    std::vector<std::pair<std::uint16_t, int>> cache_;
};

unsigned char FoldAscii(unsigned char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 0x20) : c; }

// Appends a case-folded name with its length, so that joined keys cannot run into each other.
void AppendKeyPart(AnsiString& key, const AnsiString& part) {
    const auto n = static_cast<std::uint32_t>(part.size());
    key.append(reinterpret_cast<const char*>(&n), sizeof n);
    for (char c : part) key += static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
}

// Every item of a view, in view order: the constants, the properties, the entries.
template <class Fn>
void ForEachItem(const TLocStorage& store, Fn&& fn) {
    for (int u = 0; u < store.Units().Count(); ++u) {
        const TLocConstantList& constants = store.Units().ItemAt(u)->Constants();
        for (int i = 0; i < constants.Count(); ++i) fn(constants.ItemAt(i));
    }
    for (int f = 0; f < store.Forms().Count(); ++f) {
        const TLocForm* form = store.Forms().ItemAt(f);
        for (int i = 0; i < form->Properties().Count(); ++i) fn(form->Properties().ItemAt(i));
        for (int c = 0; c < form->Components().Count(); ++c) {
            const TLocPropertyList& props = form->Components().ItemAt(c)->Properties();
            for (int i = 0; i < props.Count(); ++i) fn(props.ItemAt(i));
        }
    }
    for (int g = 0; g < store.ExternalGroups().Count(); ++g) {
        const TLocExtItemList& entries = store.ExternalGroups().ItemAt(g)->Entries();
        for (int i = 0; i < entries.Count(); ++i) fn(entries.ItemAt(i));
    }
}

TLocStorage* StoreOfComponent(const TLocComponent* component) {
    if (component == nullptr) return nullptr;
    if (component->Parent() != nullptr) return component->Parent()->Store();
    const auto* form = dynamic_cast<const TLocForm*>(component);
    return form != nullptr ? form->Store() : nullptr;
}

void TakeStoreBaseLanguage(TLocItem& item) {
    if (item.Store() != nullptr) item.BaseValue()->SetLanguageId(item.Store()->BaseLanguageId());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TNamedItemList

int TNamedItemList::Compare(const AnsiString& a, const AnsiString& b) const {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (!matchCase_) {
            x = FoldAscii(x);
            y = FoldAscii(y);
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

// ---------------------------------------------------------------------------------------------
// Item lists

TLocProperty* TLocPropertyList::ItemAt(int index) const { return static_cast<TLocProperty*>(TLocItemList::ItemAt(index)); }

TLocProperty* TLocPropertyList::Find(const AnsiString& name) const { return static_cast<TLocProperty*>(TLocItemList::Find(name)); }

TLocProperty* TLocPropertyList::FindOrAdd(std::int32_t id, const AnsiString& name, std::uint8_t kind) {
    return static_cast<TLocProperty*>(FindOrAddWith(
        name, [&](const AnsiString& n) { return std::make_unique<TLocProperty>(id, parent_, kind, n); }));
}

std::unique_ptr<TNamedItem> TLocPropertyList::CreateItem(const AnsiString& name) {
    return std::make_unique<TLocProperty>(0, parent_, lvkString, name);
}

TLocConstant* TLocConstantList::ItemAt(int index) const { return static_cast<TLocConstant*>(TLocItemList::ItemAt(index)); }

TLocConstant* TLocConstantList::Find(const AnsiString& name) const { return static_cast<TLocConstant*>(TLocItemList::Find(name)); }

TLocConstant* TLocConstantList::FindOrAdd(std::int32_t id, const AnsiString& name, std::uint32_t resourceId) {
    return static_cast<TLocConstant*>(FindOrAddWith(
        name, [&](const AnsiString& n) { return std::make_unique<TLocConstant>(id, parent_, resourceId, n); }));
}

std::unique_ptr<TNamedItem> TLocConstantList::CreateItem(const AnsiString& name) {
    return std::make_unique<TLocConstant>(0, parent_, 0, name);
}

TLocExtItem* TLocExtItemList::ItemAt(int index) const { return static_cast<TLocExtItem*>(TLocItemList::ItemAt(index)); }

TLocExtItem* TLocExtItemList::Find(const AnsiString& name) const { return static_cast<TLocExtItem*>(TLocItemList::Find(name)); }

TLocExtItem* TLocExtItemList::FindOrAdd(std::int32_t id, const AnsiString& name) {
    return static_cast<TLocExtItem*>(
        FindOrAddWith(name, [&](const AnsiString& n) { return std::make_unique<TLocExtItem>(id, parent_, n); }));
}

std::unique_ptr<TNamedItem> TLocExtItemList::CreateItem(const AnsiString& name) {
    return std::make_unique<TLocExtItem>(0, parent_, name);
}

// ---------------------------------------------------------------------------------------------
// Items

TLocProperty::TLocProperty(std::int32_t id, TLocComponent* parent, std::uint8_t kind, const AnsiString& name)
    : TLocItem(StoreOfComponent(parent), kind, name, id), parent_(parent) {
    TakeStoreBaseLanguage(*this);
}

TLocForm* TLocProperty::OwnerForm() const {
    if (parent_ == nullptr) return nullptr;
    if (parent_->Parent() != nullptr) return parent_->Parent();
    return dynamic_cast<TLocForm*>(parent_);
}

int TLocProperty::ActiveValueIndex() const {
    const TLocStorage* store = Store();
    return store != nullptr ? store->ActiveLanguageIndex() : 0;
}

TLocConstant::TLocConstant(std::int32_t id, TLocUnit* parent, std::uint32_t resourceId, const AnsiString& name)
    : TLocItem(parent != nullptr ? parent->Store() : nullptr, lvkString, name, id), parent_(parent), resourceId_(resourceId) {
    TakeStoreBaseLanguage(*this);
}

TLocExtItem::TLocExtItem(std::int32_t id, TLocExtGroup* parent, const AnsiString& name)
    : TLocItem(parent != nullptr ? parent->Store() : nullptr, lvkString, name, id), parent_(parent) {
    TakeStoreBaseLanguage(*this);
}

// ---------------------------------------------------------------------------------------------
// Containers

TLocComponent::TLocComponent(const AnsiString& name, TLocForm* parent)
    : TNamedItem(name), parent_(parent), properties_(std::make_unique<TLocPropertyList>(this)) {}

TLocComponent::~TLocComponent() = default;

TLocComponent* TLocComponentList::ItemAt(int index) const {
    return static_cast<TLocComponent*>(TNamedItemList::ItemAt(index));
}

TLocComponent* TLocComponentList::FindOrAdd(const AnsiString& name) {
    return static_cast<TLocComponent*>(TNamedItemList::FindOrAdd(name));
}

std::unique_ptr<TNamedItem> TLocComponentList::CreateItem(const AnsiString& name) {
    return std::make_unique<TLocComponent>(name, parent_);
}

TLocForm::TLocForm(const AnsiString& name, TLocStorage* store)
    : TLocComponent(name, nullptr), components_(std::make_unique<TLocComponentList>(this)), store_(store) {}

TLocForm::~TLocForm() = default;

TLocComponent* TLocForm::FindComponent(const AnsiString& name) const {
    if (name.empty()) return const_cast<TLocForm*>(this);
    const int index = components_->IndexOf(name);
    return index >= 0 ? components_->ItemAt(index) : nullptr;
}

TLocForm* TLocFormList::ItemAt(int index) const { return static_cast<TLocForm*>(TNamedItemList::ItemAt(index)); }

TLocForm* TLocFormList::FindOrAdd(const AnsiString& name) { return static_cast<TLocForm*>(TNamedItemList::FindOrAdd(name)); }

std::unique_ptr<TNamedItem> TLocFormList::CreateItem(const AnsiString& name) {
    return std::make_unique<TLocForm>(name, store_);
}

void TLocFormList::CollectProperties(TLinearPropertyList& list, bool sort) const {
    for (int f = 0; f < Count(); ++f) {
        const TLocForm* form = ItemAt(f);
        form->Properties().AppendTo(&list);
        for (int c = 0; c < form->Components().Count(); ++c) form->Components().ItemAt(c)->Properties().AppendTo(&list);
    }
    list.Finish(sort);
}

TLocUnit::TLocUnit(const AnsiString& name, TLocStorage* store)
    : TNamedItem(name), constants_(std::make_unique<TLocConstantList>(this)), store_(store) {}

TLocUnit::~TLocUnit() = default;

TLocUnit* TLocUnitList::ItemAt(int index) const { return static_cast<TLocUnit*>(TNamedItemList::ItemAt(index)); }

TLocUnit* TLocUnitList::FindOrAdd(const AnsiString& name) { return static_cast<TLocUnit*>(TNamedItemList::FindOrAdd(name)); }

std::unique_ptr<TNamedItem> TLocUnitList::CreateItem(const AnsiString& name) {
    return std::make_unique<TLocUnit>(name, store_);
}

void TLocUnitList::CollectConstants(TLinearConstantList& list, bool sort) const {
    for (int u = 0; u < Count(); ++u) ItemAt(u)->Constants().AppendTo(&list);
    list.Finish(sort);
}

TLocExtGroup::TLocExtGroup(const AnsiString& name, TLocStorage* store)
    : TNamedItem(name), entries_(std::make_unique<TLocExtItemList>(this)), store_(store) {}

TLocExtGroup::~TLocExtGroup() = default;

TLocExtGroup* TLocExtGroupList::ItemAt(int index) const { return static_cast<TLocExtGroup*>(TNamedItemList::ItemAt(index)); }

TLocExtGroup* TLocExtGroupList::FindOrAdd(const AnsiString& name) {
    return static_cast<TLocExtGroup*>(TNamedItemList::FindOrAdd(name));
}

std::unique_ptr<TNamedItem> TLocExtGroupList::CreateItem(const AnsiString& name) {
    return std::make_unique<TLocExtGroup>(name, store_);
}

void TLocExtGroupList::CollectEntries(TLinearExternalList& list, bool sort) const {
    for (int g = 0; g < Count(); ++g) ItemAt(g)->Entries().AppendTo(&list);
    list.Finish(sort);
}

// ---------------------------------------------------------------------------------------------
// TLocaleList

std::uint16_t TLocaleList::ItemAt(int index) const {
    if (index < 0 || index >= Count()) rtl::RaiseListIndexError(index);
    return ids_[static_cast<std::size_t>(index)];
}

int TLocaleList::Add(std::uint16_t languageId) {
    ids_.push_back(languageId);
    return Count() - 1;
}

int TLocaleList::IndexOf(std::uint16_t languageId) const {
    auto it = std::find(ids_.begin(), ids_.end(), languageId);
    return it != ids_.end() ? static_cast<int>(it - ids_.begin()) : -1;
}

void TLocaleList::SetItem(int index, std::uint16_t languageId) {
    if (index < 0 || index >= Count()) rtl::RaiseListIndexError(index);
    ids_[static_cast<std::size_t>(index)] = languageId;
}

// ---------------------------------------------------------------------------------------------
// TLocStorage

TLocStorage::TLocStorage()
    : languageIds_(std::make_unique<TLocaleList>()),
      forms_(std::make_unique<TLocFormList>(this)),
      units_(std::make_unique<TLocUnitList>(this)),
      externalGroups_(std::make_unique<TLocExtGroupList>(this)),
      baseLanguageId_(UserDefaultLanguageId()) {
    languageIds_->Add(baseLanguageId_);
}

TLocStorage::~TLocStorage() {
    languageIds_.reset();
    externalGroups_.reset();
    units_.reset();
    forms_.reset();
}

std::uint16_t TLocStorage::LanguageAt(int index) const {
    return index >= 0 && index < LanguageCount() ? languageIds_->ItemAt(index) : 0;
}

int TLocStorage::IndexOfLanguage(std::uint16_t languageId) const { return languageIds_->IndexOf(languageId); }

int TLocStorage::AddLanguage(int sourceIndex, std::uint16_t languageId) {
    if (LanguageCount() == 0) throw ELocStorageError(ELocStorageError::CreateRes, SLocStorageEmptyDictionary);
    if (sourceIndex < 0 || sourceIndex >= LanguageCount())
        throw ELocStorageError(ELocStorageError::CreateRes, SLocStorageCannotAddLanguage);

    std::vector<TLocItem*> items;
    ForEachItem(*this, [&items](TLocItem* item) { items.push_back(item); });

    const int oldCount = LanguageCount();
    languageIds_->Add(languageId);
    std::size_t done = 0;
    try {
        TCodePageCache codePages;
        const int newCodePage = codePages.Of(languageId);
        for (TLocItem* item : items) {
            const TLocValue* source = item->Values().Value(sourceIndex);
            const AnsiString ansi = WideToAnsi(source->Text(), codePages.Of(source->LanguageId()));
            WideString text = AnsiToWide(ansi, newCodePage);
            TLocValue* value = item->Values().Value(item->AddValue(WideString(), languageId));
            ++done;
            value->SetText(std::move(text));
            value->SetRevision(-1);
        }
    } catch (...) {
        // Keep one value per language: undo the values added so far and the language.
        for (std::size_t i = 0; i < done; ++i) {
            TLocValueList& values = items[i]->Values();
            if (values.Count() > oldCount) values.Delete(values.Count() - 1);
        }
        languageIds_->RemoveLast();
        throw;
    }
    return LanguageCount() - 1;
}

void TLocStorage::RemoveLastLanguage() {
    const int count = LanguageCount();
    if (count <= 1) return;
    ForEachItem(*this, [count](TLocItem* item) {
        TLocValueList& values = item->Values();
        if (values.Count() >= count) values.Delete(count - 1);
    });
    languageIds_->RemoveLast();
    if (activeLanguageIndex_ >= LanguageCount()) activeLanguageIndex_ = 0;
}

void TLocStorage::SetBaseLanguage(std::uint16_t languageId) {
    baseLanguageId_ = languageId;
    if (LanguageCount() > 0) SetLanguageAt(0, languageId);
}

void TLocStorage::SetLanguageAt(int index, std::uint16_t languageId) {
    if (index >= 0 && index < LanguageCount()) languageIds_->SetItem(index, languageId);
    ForEachItem(*this, [&](TLocItem* item) { item->Values().Value(index)->SetLanguageId(languageId); });
}

void TLocStorage::ClearItems() {
    forms_->Clear();
    units_->Clear();
    externalGroups_->Clear();
}

TLocConstant* TLocStorage::FindConstantById(std::int32_t id) const {
    for (int u = 0; u < units_->Count(); ++u) {
        const TLocConstantList& constants = units_->ItemAt(u)->Constants();
        const int index = constants.IndexOfId(id);
        if (index >= 0) return constants.ItemAt(index);
    }
    return nullptr;
}

TLocProperty* TLocStorage::FindPropertyById(std::int32_t id) const {
    for (int f = 0; f < forms_->Count(); ++f) {
        const TLocForm* form = forms_->ItemAt(f);
        int index = form->Properties().IndexOfId(id);
        if (index >= 0) return form->Properties().ItemAt(index);
        for (int c = 0; c < form->Components().Count(); ++c) {
            const TLocPropertyList& props = form->Components().ItemAt(c)->Properties();
            index = props.IndexOfId(id);
            if (index >= 0) return props.ItemAt(index);
        }
    }
    return nullptr;
}

TLocExtItem* TLocStorage::FindEntry(const AnsiString& groupName, const AnsiString& entryName) const {
    const int group = externalGroups_->IndexOf(groupName);
    if (group < 0) return nullptr;
    const TLocExtItemList& entries = externalGroups_->ItemAt(group)->Entries();
    const int entry = entries.IndexOf(entryName);
    return entry >= 0 ? entries.ItemAt(entry) : nullptr;
}

}  // namespace locstore
