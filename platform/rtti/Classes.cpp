#include "platform/rtti/Classes.h"

#include <algorithm>

#include "platform/rtl/Conversions.h"
#include "platform/rtti/FormStream.h"
#include "platform/rtti/RttiConsts.h"

namespace rtti {

// ---- TObject / TPersistent -----------------------------------------------------------------

const TClassInfo* TObjectClass() {
    static const TClassInfo info("TObject", nullptr, nullptr);
    return &info;
}

const TClassInfo* TPersistent::StaticClass() {
    static const TClassInfo info("TPersistent", TObjectClass(), nullptr);
    return &info;
}

void TPersistent::Assign(const TPersistent& source) { source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& dest) const {
    throw rtl::EConvertError(rtl::EConvertError::CreateResFmt, SAssignError, {ClassName(), dest.ClassName()});
}

bool TPersistent::ReadDefinedProperty(const AnsiString&, TReader&) { return false; }
void TPersistent::WriteDefinedProperties(TWriter&) const {}

void AssignPublishedProperties(TPersistent& dest, const TPersistent& source) {
    if (!dest.InheritsFrom(source.ClassType()) && !source.InheritsFrom(dest.ClassType()))
        throw rtl::EConvertError(rtl::EConvertError::CreateResFmt, SAssignError, {source.ClassName(), dest.ClassName()});
    // Only what both classes publish.
    const TClassInfo* common = dest.InheritsFrom(source.ClassType()) ? source.ClassType() : dest.ClassType();
    for (const TPropInfo* p : common->AllProps()) {
        if (p->IsOrdinal()) {
            if (p->SetOrd) p->SetOrd(dest, p->GetOrd(source));
        } else if (p->Kind == TTypeKind::tkFloat) {
            p->SetFloat(dest, p->GetFloat(source));
        } else if (p->IsAnsiString()) {
            p->SetStr(dest, p->GetStr(source));
        } else if (p->Kind == TTypeKind::tkWString) {
            p->SetWStr(dest, p->GetWStr(source));
        } else if (p->Kind == TTypeKind::tkMethod) {
            p->SetMethod(dest, p->GetMethod(source));
        } else if (p->Kind == TTypeKind::tkClass) {
            if (p->SetObj) {
                p->SetObj(dest, p->GetObj(source));
            } else {
                TPersistent* d = p->GetObj(dest);
                const TPersistent* s = p->GetObj(source);
                if (d && s) d->Assign(*s);
            }
        }
    }
}

// ---- TComponent ------------------------------------------------------------------------------

const TClassInfo* TComponent::StaticClass() {
    static const TClassInfo info("TComponent", TPersistent::StaticClass(), Creator<TComponent>(),
                                 {
                                     // The name travels in the object header, not as a property.
                                     pub::NotStored(pub::String<TComponent>("Name", &TComponent::Name, &TComponent::SetName)),
                                     pub::Integer<TComponent>("Tag", &TComponent::Tag, &TComponent::SetTag),
                                 });
    return &info;
}

TComponent::~TComponent() {
    destroying_ = true;
    // Tell the partners first, while the owned components still exist.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        auto& back = other->freeNotifies_;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
}

void TComponent::ValidateRename(TComponent* component, const AnsiString& newName) const {
    if (newName.empty()) return;
    TComponent* other = FindComponent(newName);
    if (other && other != component)
        throw EComponentError(EComponentError::CreateResFmt, SDuplicateName, {newName});
}

void TComponent::SetName(const AnsiString& name) {
    if (name == name_) return;
    if (owner_) owner_->ValidateRename(this, name);
    name_ = name;
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount()) rtl::RaiseListIndexError(index);
    return components_[static_cast<std::size_t>(index)].get();
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    for (int i = 0; i < owner_->ComponentCount(); ++i)
        if (owner_->components_[static_cast<std::size_t>(i)].get() == this) return i;
    return -1;
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    const AnsiString wanted(name);
    for (const auto& c : components_)
        if (rtl::SameText(c->name_, wanted)) return c.get();
    return nullptr;
}

TComponent* TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
    if (!component) return nullptr;
    ValidateRename(component.get(), component->name_);
    TComponent* raw = component.get();
    raw->owner_ = this;
    components_.push_back(std::move(component));
    Notification(raw, TOperation::opInsert);
    return raw;
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find_if(components_.begin(), components_.end(), [&](const auto& c) { return c.get() == component; });
    if (it == components_.end()) return nullptr;
    Notification(component, TOperation::opRemove);
    // Notification may have changed the list; look again.
    it = std::find_if(components_.begin(), components_.end(), [&](const auto& c) { return c.get() == component; });
    if (it == components_.end()) return nullptr;
    std::unique_ptr<TComponent> out = std::move(*it);
    components_.erase(it);
    out->owner_ = nullptr;
    return out;
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* last = components_.back().get();
        std::unique_ptr<TComponent> c = RemoveComponent(last);
        if (!c) {
            // Should not happen; never loop forever over a component that will not leave.
            components_.pop_back();
        }
    }
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
    auto& back = component->freeNotifies_;
    if (std::find(back.begin(), back.end(), this) == back.end()) back.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component) return;
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component), freeNotifies_.end());
    auto& back = component->freeNotifies_;
    back.erase(std::remove(back.begin(), back.end(), this), back.end());
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == TOperation::opRemove && component) RemoveFreeNotification(component);
    // Iterate by index: a handler may free components.
    for (int i = ComponentCount() - 1; i >= 0; --i) {
        if (i >= ComponentCount()) continue;
        TComponent* c = components_[static_cast<std::size_t>(i)].get();
        if (c != component) c->Notification(component, operation);
    }
}

void TComponent::GetChildren(const std::function<void(TComponent*)>&, TComponent*) const {}

// ---- Collections -----------------------------------------------------------------------------

const TClassInfo* TCollectionItem::StaticClass() {
    static const TClassInfo info("TCollectionItem", TPersistent::StaticClass(), nullptr);
    return &info;
}

int TCollectionItem::Index() const {
    if (!collection_) return -1;
    for (int i = 0; i < collection_->Count(); ++i)
        if (collection_->items_[static_cast<std::size_t>(i)].get() == this) return i;
    return -1;
}

void TCollectionItem::SetIndex(int index) {
    int cur = Index();
    if (cur >= 0 && index != cur) collection_->Move(cur, index);
}

void TCollectionItem::Assign(const TPersistent& source) {
    if (source.ClassType() == ClassType())
        AssignPublishedProperties(*this, source);
    else
        TPersistent::Assign(source);
}

void TCollectionItem::Changed() {
    if (collection_) collection_->Changed(this);
}

const TClassInfo* TCollection::StaticClass() {
    static const TClassInfo info("TCollection", TPersistent::StaticClass(), nullptr);
    return &info;
}

TCollection::TCollection(const TClassInfo* itemClass, TPersistent* owner) : itemClass_(itemClass), owner_(owner) {}

TCollection::~TCollection() { items_.clear(); }

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count()) rtl::RaiseListIndexError(index);
    return items_[static_cast<std::size_t>(index)].get();
}

TCollectionItem* TCollection::Add() { return Insert(Count()); }

TCollectionItem* TCollection::Insert(int index) {
    if (index < 0 || index > Count()) rtl::RaiseListIndexError(index);
    std::unique_ptr<TPersistent> obj = itemClass_ ? itemClass_->Create() : nullptr;
    auto* raw = dynamic_cast<TCollectionItem*>(obj.get());
    if (!raw) throw rtl::EConvertError(rtl::EConvertError::CreateResFmt, SClassNotFound,
                                       {itemClass_ ? AnsiString(itemClass_->Name()) : AnsiString("TCollectionItem")});
    obj.release();
    raw->collection_ = this;
    raw->id_ = nextId_++;
    items_.insert(items_.begin() + index, std::unique_ptr<TCollectionItem>(raw));
    Changed(nullptr);
    return raw;
}

void TCollection::Delete(int index) {
    if (index < 0 || index >= Count()) rtl::RaiseListIndexError(index);
    items_.erase(items_.begin() + index);
    Changed(nullptr);
}

void TCollection::Clear() {
    if (items_.empty()) return;
    items_.clear();
    Changed(nullptr);
}

void TCollection::Move(int from, int to) {
    if (from < 0 || from >= Count()) rtl::RaiseListIndexError(from);
    if (to < 0 || to >= Count()) rtl::RaiseListIndexError(to);
    auto item = std::move(items_[static_cast<std::size_t>(from)]);
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, std::move(item));
    Changed(nullptr);
}

TCollectionItem* TCollection::FindItemID(int id) const {
    for (const auto& i : items_)
        if (i->id_ == id) return i.get();
    return nullptr;
}

void TCollection::Assign(const TPersistent& source) {
    auto* other = dynamic_cast<const TCollection*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    BeginUpdate();
    try {
        Clear();
        for (const auto& item : other->items_) Add()->Assign(*item);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Update(nullptr);
}

void TCollection::Changed(TCollectionItem* item) {
    if (updateCount_ == 0) Update(item);
}

// ---- TStrings --------------------------------------------------------------------------------

const TClassInfo* TStrings::StaticClass() {
    static const TClassInfo info("TStrings", TPersistent::StaticClass(), nullptr);
    return &info;
}

void TStrings::Put(int index, const AnsiString& s) {
    Delete(index);
    Insert(index, s);
}

int TStrings::Add(const AnsiString& s) {
    int i = Count();
    Insert(i, s);
    return i;
}

void TStrings::AddStrings(const TStrings& other) {
    BeginUpdate();
    try {
        for (int i = 0; i < other.Count(); ++i) Add(other.Get(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int TStrings::IndexOf(const AnsiString& s) const {
    for (int i = 0; i < Count(); ++i)
        if (rtl::SameText(Get(i), s)) return i;
    return -1;
}

AnsiString TStrings::Text() const {
    AnsiString out;
    for (int i = 0; i < Count(); ++i) {
        out += Get(i);
        out += "\r\n";
    }
    return out;
}

void TStrings::SetText(const AnsiString& text) {
    BeginUpdate();
    try {
        Clear();
        std::size_t i = 0;
        while (i < text.size()) {
            std::size_t start = i;
            while (i < text.size() && text[i] != '\r' && text[i] != '\n') ++i;
            Add(text.substr(start, i - start));
            if (i < text.size() && text[i] == '\r') ++i;
            if (i < text.size() && text[i] == '\n') ++i;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Assign(const TPersistent& source) {
    auto* other = dynamic_cast<const TStrings*>(&source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    BeginUpdate();
    try {
        Clear();
        AddStrings(*other);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

bool TStrings::Equals(const TStrings& other) const {
    if (Count() != other.Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != other.Get(i)) return false;
    return true;
}

void TStrings::BeginUpdate() {
    if (updateCount_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

bool TStrings::ReadDefinedProperty(const AnsiString& name, TReader& reader) {
    if (!rtl::SameText(name, "Strings")) return false;
    BeginUpdate();
    try {
        Clear();
        reader.ReadListBegin();
        while (!reader.EndOfList()) Add(reader.ReadString(this));
        reader.ReadListEnd();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    return true;
}

void TStrings::WriteDefinedProperties(TWriter& writer) const {
    if (Count() == 0) return;
    writer.WritePropName("Strings");
    writer.WriteListBegin();
    for (int i = 0; i < Count(); ++i) writer.WriteString(Get(i));
    writer.WriteListEnd();
}

// ---- TStringList -----------------------------------------------------------------------------

const TClassInfo* TStringList::StaticClass() {
    static const TClassInfo info("TStringList", TStrings::StaticClass(), Creator<TStringList>());
    return &info;
}

void TStringList::CheckIndex(int index, int limit) const {
    if (index < 0 || index >= limit) rtl::RaiseListIndexError(index);
}

AnsiString TStringList::Get(int index) const {
    CheckIndex(index, Count());
    return items_[static_cast<std::size_t>(index)];
}

void TStringList::Put(int index, const AnsiString& s) {
    CheckIndex(index, Count());
    items_[static_cast<std::size_t>(index)] = s;
    Changed();
}

void TStringList::Insert(int index, const AnsiString& s) {
    CheckIndex(index, Count() + 1);
    items_.insert(items_.begin() + index, s);
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index, Count());
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    items_.clear();
    Changed();
}

void TStringList::Changed() {
    if (UpdateCount() > 0) {
        changedWhileUpdating_ = true;
        return;
    }
    if (OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
    if (!updating && changedWhileUpdating_) {
        changedWhileUpdating_ = false;
        Changed();
    }
}

}  // namespace rtti
