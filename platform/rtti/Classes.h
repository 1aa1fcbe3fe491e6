#pragma once
// The component model's base classes: TPersistent (assignable, streamable), TComponent (named,
// owned, owning, notified when partners are freed), collections and string lists.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rtl/SysTypes.h"
#include "platform/rtti/TypInfo.h"

namespace rtti {

class TReader;
class TWriter;

// Declares the class info accessors inside a class of the model.
#define VLMRK_RTTI_CLASS(name)                                                        \
public:                                                                               \
    static const ::rtti::TClassInfo* StaticClass();                                   \
    const ::rtti::TClassInfo* ClassType() const override { return StaticClass(); }

const TClassInfo* TObjectClass();  // the root class "TObject"

class TPersistent : public rtl::TObject {
public:
    static const TClassInfo* StaticClass();
    virtual const TClassInfo* ClassType() const { return StaticClass(); }
    AnsiString ClassName() const { return AnsiString(ClassType()->Name()); }
    bool InheritsFrom(const TClassInfo* cls) const { return ClassType()->InheritsFrom(cls); }

    // Copies source into this object. The default asks source to AssignTo this object; when
    // neither knows the other, EConvertError "Cannot assign a %s to a %s".
    virtual void Assign(const TPersistent& source);

    // Values streamed under names that are not published properties (a string list's Strings,
    // a picture's Data). Read answers false for a name it does not know.
    virtual bool ReadDefinedProperty(const AnsiString& name, TReader& reader);
    virtual void WriteDefinedProperties(TWriter& writer) const;

protected:
    virtual void AssignTo(TPersistent& dest) const;
};

// Copies every published ordinal, float, string and method property, and assigns every owned
// object property, from source to dest (which must be of the same class or a descendant).
void AssignPublishedProperties(TPersistent& dest, const TPersistent& source);

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
    VLMRK_RTTI_CLASS(TComponent)
public:
    TComponent() = default;
    ~TComponent() override;

    const AnsiString& Name() const { return name_; }
    // Raises EComponentError "A component named %s already exists" when the owner has another
    // component of that name (compared without regard to case).
    virtual void SetName(const AnsiString& name);
    TComponent* Owner() const { return owner_; }
    std::int32_t Tag() const { return tag_; }
    void SetTag(std::int32_t tag) { tag_ = tag; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    // Raises the list index error outside 0 .. ComponentCount-1.
    TComponent* Components(int index) const;
    int ComponentIndex() const;  // position in the owner's list, -1 without owner
    // The owned component with that name (without regard to case); null when none.
    TComponent* FindComponent(std::string_view name) const;

    // Takes ownership; the component's name must be unique among the owned ones.
    TComponent* InsertComponent(std::unique_ptr<TComponent> component);
    // Hands an owned component back to the caller; null when it is not owned by this one.
    std::unique_ptr<TComponent> RemoveComponent(TComponent* component);
    // Frees an owned component.
    void DestroyComponent(TComponent* component) { RemoveComponent(component); }
    // Frees every owned component, last first.
    void DestroyComponents();
    // Creates a component of class T owned by this one.
    template <class T>
    T* Add(const AnsiString& name = {}) {
        auto c = std::make_unique<T>();
        c->SetName(name);
        T* raw = c.get();
        InsertComponent(std::move(c));
        return raw;
    }

    // Asks to be told (Notification with opRemove) when `component` is freed. Works both ways:
    // whichever of the two is freed first tells the other.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);
    // Called when a component is inserted into or removed from this one's tree, or a partner of
    // FreeNotification is freed. The default passes the news on to the owned components.
    virtual void Notification(TComponent* component, TOperation operation);

    // Streaming hooks.
    // The component that streams this one as its child (a control's parent), if any.
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual bool HasParent() const { return false; }
    virtual void SetParentComponent(TComponent*) {}
    // The children the writer writes inside this component when `root` is being written.
    virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const;
    // Called once a stream has been read completely into this component.
    virtual void Loaded() { loading_ = false; }
    bool Loading() const { return loading_; }
    void SetLoading(bool on) { loading_ = on; }
    bool Destroying() const { return destroying_; }
    // Embedded from its own form stream (a frame placed inline on a form).
    bool IsInline() const { return inline_; }
    void SetInline(bool on) { inline_ = on; }

private:
    void ValidateRename(TComponent* component, const AnsiString& newName) const;

    AnsiString name_;
    TComponent* owner_ = nullptr;
    std::int32_t tag_ = 0;
    std::vector<std::unique_ptr<TComponent>> components_;
    std::vector<TComponent*> freeNotifies_;
    bool loading_ = false;
    bool destroying_ = false;
    bool inline_ = false;
};

VLMRK_DECLARE_EXCEPTION(EComponentError, rtl::Exception);

// ---- Collections -------------------------------------------------------------------------------

class TCollection;

class TCollectionItem : public TPersistent {
    VLMRK_RTTI_CLASS(TCollectionItem)
public:
    TCollection* Collection() const { return collection_; }
    int Index() const;
    // Moves the item within its collection.
    void SetIndex(int index);
    int ID() const { return id_; }
    virtual AnsiString DisplayName() const { return ClassName(); }
    // Items of the same class copy their published properties.
    void Assign(const TPersistent& source) override;

protected:
    void Changed();

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
    int id_ = 0;
};

class TCollection : public TPersistent {
    VLMRK_RTTI_CLASS(TCollection)
public:
    // itemClass must derive from TCollectionItem and be creatable.
    explicit TCollection(const TClassInfo* itemClass, TPersistent* owner = nullptr);
    ~TCollection() override;

    const TClassInfo* ItemClass() const { return itemClass_; }
    TPersistent* Owner() const { return owner_; }
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises the list index error outside 0 .. Count-1.
    TCollectionItem* Items(int index) const;
    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    void Move(int from, int to);
    TCollectionItem* FindItemID(int id) const;
    void Assign(const TPersistent& source) override;

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    // Called when an item (or, with null, the whole collection) changed; controls that show a
    // collection override it.
    virtual void Update(TCollectionItem*) {}

private:
    friend class TCollectionItem;
    void Changed(TCollectionItem* item);

    const TClassInfo* itemClass_;
    TPersistent* owner_;
    std::vector<std::unique_ptr<TCollectionItem>> items_;
    int nextId_ = 0;
    int updateCount_ = 0;
};

// ---- String lists ------------------------------------------------------------------------------

class TStrings : public TPersistent {
    VLMRK_RTTI_CLASS(TStrings)
public:
    virtual int Count() const = 0;
    // Raise the list index error for a bad index.
    virtual AnsiString Get(int index) const = 0;
    virtual void Put(int index, const AnsiString& s);
    virtual void Insert(int index, const AnsiString& s) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;

    AnsiString Strings(int index) const { return Get(index); }
    int Add(const AnsiString& s);
    void AddStrings(const TStrings& other);
    // First index of s (without regard to case), -1 when absent.
    int IndexOf(const AnsiString& s) const;
    // Every line followed by CR LF.
    AnsiString Text() const;
    // Lines separated by CR LF, CR or LF; a line break at the end adds no empty line.
    void SetText(const AnsiString& text);
    void Assign(const TPersistent& source) override;
    bool Equals(const TStrings& other) const;

    void BeginUpdate();
    void EndUpdate();

    bool ReadDefinedProperty(const AnsiString& name, TReader& reader) override;
    void WriteDefinedProperties(TWriter& writer) const override;

protected:
    // Called when the first BeginUpdate starts (true) and the last EndUpdate ends (false).
    virtual void SetUpdateState(bool) {}
    int UpdateCount() const { return updateCount_; }

private:
    int updateCount_ = 0;
};

class TStringList : public TStrings {
    VLMRK_RTTI_CLASS(TStringList)
public:
    int Count() const override { return static_cast<int>(items_.size()); }
    AnsiString Get(int index) const override;
    void Put(int index, const AnsiString& s) override;
    void Insert(int index, const AnsiString& s) override;
    void Delete(int index) override;
    void Clear() override;

    // Called after every change outside BeginUpdate/EndUpdate, and once at the final EndUpdate.
    std::function<void(TStringList*)> OnChange;

protected:
    virtual void Changed();
    void SetUpdateState(bool updating) override;

private:
    void CheckIndex(int index, int limit) const;
    std::vector<AnsiString> items_;
    bool changedWhileUpdating_ = false;
};

}  // namespace rtti
