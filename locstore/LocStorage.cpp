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

// A text as the new language's first value has it: passed through the source language's 8-bit
// form and read back with the new language's code page. Every Windows ANSI code page keeps the
// ASCII range as it is, so ASCII text (nearly every text of the native language) is taken as it
// stands, without the two conversions.
WideString CarriedAcross(const WideString& text, int fromCodePage, int toCodePage) {
    if (std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; })) return text;
    return AnsiToWide(WideToAnsi(text, fromCodePage), toCodePage);
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
            WideString text = CarriedAcross(source->Text(), codePages.Of(source->LanguageId()), newCodePage);
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
