#pragma once
// TKObjectList: the ordered list that owns its objects. It is the base of the translation store's
// lists and of the language catalogue. Clearing or destroying the list destroys every element,
// first to last.

#include <memory>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/SysTypes.h"

namespace locstore {

class TKObjectList : public rtl::TObject {
public:
    TKObjectList() = default;
    ~TKObjectList() override { DestroyAll(); }

    int Count() const { return static_cast<int>(items_.size()); }
    // Appends and answers the new index.
    int Add(std::unique_ptr<rtl::TObject> obj);
    // Inserts before Index (0 .. Count; Count appends). A bad index raises the list index error.
    void Insert(int index, std::unique_ptr<rtl::TObject> obj);
    // The element; an index outside 0 .. Count-1 raises "List index out of bounds (%d)".
    rtl::TObject* ItemAt(int index) const;
    // Destroys one element.
    void Delete(int index);
    // Removes one element without destroying it and hands it to the caller.
    std::unique_ptr<rtl::TObject> Extract(int index);
    // Destroys every element, first to last, and empties the list.
    virtual void Clear() { DestroyAll(); }

protected:
    void CheckIndex(int index, int limit) const;

private:
    void DestroyAll();
    std::vector<std::unique_ptr<rtl::TObject>> items_;
};

// The same list with typed access, for lists whose elements all have class T.
template <class T>
class TKObjectListOf : public TKObjectList {
public:
    int Add(std::unique_ptr<T> obj) { return TKObjectList::Add(std::move(obj)); }
    void Insert(int index, std::unique_ptr<T> obj) { TKObjectList::Insert(index, std::move(obj)); }
    T* ItemAt(int index) const { return static_cast<T*>(TKObjectList::ItemAt(index)); }
};

}  // namespace locstore
