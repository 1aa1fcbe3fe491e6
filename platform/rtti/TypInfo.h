#pragma once
// Run-time type information of the component model: for every class its name, its ancestor, its
// published properties (looked up by name, each with a type kind and typed get/set) and its
// published methods (event handlers bound by name when a form stream is read). This is what the
// form reader, the form writer and the live translation use instead of compiler-made type data.
//
// A class declares its table once, beside the class:
//
//     const rtti::TClassInfo* TFont::StaticClass() {
//         static const rtti::TClassInfo info("TFont", TPersistent::StaticClass(), rtti::Creator<TFont>(), {
//             rtti::pub::String<TFont>("Name", &TFont::Name, &TFont::SetName),
//             rtti::pub::Integer<TFont>("Height", &TFont::Height, &TFont::SetHeight),
//         });
//         return &info;
//     }
//
// Getters and setters may be member functions, data members or lambdas taking the object.
// Classes are found by name through a TClassRegistry that the caller fills (RegisterClasses per
// layer), so nothing depends on global constructors being linked in.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/SysTypes.h"

namespace rtti {

using rtl::AnsiString;
using rtl::WideString;

class TPersistent;
class TClassInfo;

enum class TTypeKind {
    tkUnknown,
    tkInteger,
    tkChar,
    tkEnumeration,
    tkFloat,
    tkString,  // short 8-bit string
    tkSet,
    tkClass,
    tkMethod,
    tkWChar,
    tkLString,  // long 8-bit string
    tkWString,
    tkInt64,
};

// The identifiers of an enumeration's values 0 .. n-1; also the element type of a set.
struct TEnumInfo {
    std::string_view Name;
    std::vector<std::string_view> Names;

    int Count() const { return static_cast<int>(Names.size()); }
    // -1 when the name is not one of the values (compared without regard to case).
    int ValueOf(std::string_view name) const;
    // Empty for a value outside the range.
    std::string_view NameOf(std::int64_t value) const;
};

// Integer types whose usual values have names but which take any number as well (colours,
// character sets).
struct TIdentMapEntry {
    std::int32_t Value;
    std::string_view Name;
};
struct TIdentMap {
    std::string_view Name;
    std::vector<TIdentMapEntry> Entries;

    bool IdentToInt(std::string_view ident, std::int32_t& value) const;
    bool IntToIdent(std::int32_t value, AnsiString& ident) const;
};

const TEnumInfo& BooleanInfo();  // False, True

// A published method: an event handler the root of a form publishes so that streams can bind
// events to it by name. Handlers take the sender, as notify events do.
struct TMethodInfo {
    AnsiString Name;
    std::function<void(TPersistent& self, rtl::TObject* sender)> Code;
};

// The value of an event property: a handler and the object it is called on.
struct TMethod {
    TPersistent* Data = nullptr;
    const TMethodInfo* Code = nullptr;

    bool Assigned() const { return Data != nullptr && Code != nullptr; }
    // Calls the handler when there is one.
    void operator()(rtl::TObject* sender) const;
    bool operator==(const TMethod&) const = default;
};

// A published property.
struct TPropInfo {
    AnsiString Name;
    TTypeKind Kind = TTypeKind::tkUnknown;
    const TEnumInfo* EnumType = nullptr;   // enumerations, and the element type of sets
    const TIdentMap* Idents = nullptr;     // integers with named values
    const TClassInfo* PropClass = nullptr; // class properties: the declared class of the value
    // Ordinal properties equal to their default are not written.
    std::optional<std::int64_t> Default;
    // False for properties derived from others (a font's Size): never written.
    bool Stored = true;

    // Set by the kind: ordinal (integer, char, wide char, enumeration, set, int64), float,
    // 8-bit string (short and long), wide string, class, method.
    std::function<std::int64_t(const TPersistent&)> GetOrd;
    std::function<void(TPersistent&, std::int64_t)> SetOrd;
    std::function<double(const TPersistent&)> GetFloat;
    std::function<void(TPersistent&, double)> SetFloat;
    std::function<AnsiString(const TPersistent&)> GetStr;
    std::function<void(TPersistent&, const AnsiString&)> SetStr;
    std::function<WideString(const TPersistent&)> GetWStr;
    std::function<void(TPersistent&, const WideString&)> SetWStr;
    std::function<TPersistent*(const TPersistent&)> GetObj;
    std::function<void(TPersistent&, TPersistent*)> SetObj;  // only for references to other objects
    std::function<TMethod(const TPersistent&)> GetMethod;
    std::function<void(TPersistent&, const TMethod&)> SetMethod;

    bool IsOrdinal() const;
    bool IsAnsiString() const { return Kind == TTypeKind::tkString || Kind == TTypeKind::tkLString; }
};

class TClassInfo {
public:
    using CreateFn = std::unique_ptr<TPersistent> (*)();

    TClassInfo(std::string_view name, const TClassInfo* parent, CreateFn create, std::vector<TPropInfo> props = {},
               std::vector<TMethodInfo> methods = {});

    std::string_view Name() const { return name_; }
    const TClassInfo* Parent() const { return parent_; }
    // Creates an instance; null for abstract classes and classes that need constructor arguments.
    std::unique_ptr<TPersistent> Create() const;
    bool CanCreate() const { return create_ != nullptr; }

    bool InheritsFrom(const TClassInfo* ancestor) const;
    // True when this class or an ancestor has one of the names (without regard to case).
    bool InheritsFromName(std::initializer_list<std::string_view> names) const;

    // Looks a property up in this class and its ancestors (without regard to case); null if none.
    const TPropInfo* FindProp(std::string_view name) const;
    const TMethodInfo* FindMethod(std::string_view name) const;
    // Every property, the root class's first, in declaration order; a property redeclared by a
    // descendant is listed once, in its ancestor's place.
    std::vector<const TPropInfo*> AllProps() const;
    // The published name of a handler, searched in this class and its ancestors; empty if none.
    AnsiString MethodName(const TMethodInfo* code) const;

    const std::vector<TPropInfo>& OwnProps() const { return props_; }
    const std::vector<TMethodInfo>& OwnMethods() const { return methods_; }

private:
    AnsiString name_;
    const TClassInfo* parent_;
    CreateFn create_;
    std::vector<TPropInfo> props_;
    std::vector<TMethodInfo> methods_;
};

// The creation function for a class: null when the class cannot be made without arguments.
template <class T>
constexpr TClassInfo::CreateFn Creator() {
    if constexpr (std::is_abstract_v<T> || !std::is_default_constructible_v<T>)
        return nullptr;
    else
        return []() -> std::unique_ptr<TPersistent> { return std::make_unique<T>(); };
}

// Classes by name, for the reader. Names compare without regard to case.
class TClassRegistry {
public:
    void RegisterClass(const TClassInfo* cls);
    void RegisterClasses(std::initializer_list<const TClassInfo*> classes);
    const TClassInfo* FindClass(std::string_view name) const;  // null when unknown
    // Raises EClassNotFound "Class %s not found".
    const TClassInfo* GetClass(std::string_view name) const;

private:
    struct Less {
        bool operator()(const AnsiString& a, const AnsiString& b) const;
    };
    std::map<AnsiString, const TClassInfo*, Less> classes_;
};

VLMRK_DECLARE_EXCEPTION(EClassNotFound, rtl::EReadError);
VLMRK_DECLARE_EXCEPTION(EPropertyError, rtl::Exception);
VLMRK_DECLARE_EXCEPTION(EPropertyConvertError, rtl::Exception);

// ---- Access by name, as the live translation uses it ----------------------------------------

const TPropInfo* GetPropInfo(const TPersistent& obj, std::string_view name);
// Raise EPropertyError when the property does not exist or has another kind.
std::int64_t GetOrdProp(const TPersistent& obj, std::string_view name);
void SetOrdProp(TPersistent& obj, std::string_view name, std::int64_t value);
AnsiString GetStrProp(const TPersistent& obj, std::string_view name);
void SetStrProp(TPersistent& obj, std::string_view name, const AnsiString& value);
WideString GetWideStrProp(const TPersistent& obj, std::string_view name);
void SetWideStrProp(TPersistent& obj, std::string_view name, const WideString& value);
double GetFloatProp(const TPersistent& obj, std::string_view name);
void SetFloatProp(TPersistent& obj, std::string_view name, double value);
TPersistent* GetObjectProp(const TPersistent& obj, std::string_view name);
TMethod GetMethodProp(const TPersistent& obj, std::string_view name);
void SetMethodProp(TPersistent& obj, std::string_view name, const TMethod& value);
// Enumeration properties as identifiers.
AnsiString GetEnumProp(const TPersistent& obj, std::string_view name);
void SetEnumProp(TPersistent& obj, std::string_view name, std::string_view ident);

// 8-bit <-> wide conversion for string values that reach a property of the other width (a wide
// string in a form stream read into an 8-bit caption). The run time converts through code pages,
// which this layer does not know: the program installs its conversion; until then characters
// up to 0x7F convert and others become '?'. Target is the object whose property is set.
using WideToAnsiFn = std::function<AnsiString(const WideString&, const TPersistent* target)>;
using AnsiToWideFn = std::function<WideString(const AnsiString&, const TPersistent* target)>;
void SetStringConverters(WideToAnsiFn toAnsi, AnsiToWideFn toWide);
AnsiString WideToAnsi(const WideString& text, const TPersistent* target = nullptr);
WideString AnsiToWide(const AnsiString& text, const TPersistent* target = nullptr);

// ---- Property table helpers -------------------------------------------------------------------

namespace detail {

template <class S>
struct SetterArg;
template <class C, class T>
struct SetterArg<void (C::*)(T)> {
    using type = std::remove_cvref_t<T>;
};
template <class C, class T>
struct SetterArg<T C::*> {
    using type = T;
};

template <class C, class G>
decltype(auto) Get(G get, const TPersistent& obj) {
    return std::invoke(get, static_cast<const C&>(obj));
}

template <class C, class S, class V>
void Set(S set, TPersistent& obj, V&& value) {
    C& c = static_cast<C&>(obj);
    if constexpr (std::is_member_object_pointer_v<S>) {
        using T = typename SetterArg<S>::type;
        c.*set = static_cast<T>(value);
    } else if constexpr (std::is_member_function_pointer_v<S>) {
        using T = typename SetterArg<S>::type;
        (c.*set)(static_cast<T>(value));
    } else {
        std::invoke(set, c, std::forward<V>(value));
    }
}

template <class C, class G, class S>
TPropInfo Ordinal(const char* name, TTypeKind kind, G get, S set, std::optional<std::int64_t> def) {
    TPropInfo p;
    p.Name = name;
    p.Kind = kind;
    p.Default = def;
    p.GetOrd = [get](const TPersistent& o) { return static_cast<std::int64_t>(Get<C>(get, o)); };
    p.SetOrd = [set](TPersistent& o, std::int64_t v) { Set<C>(set, o, v); };
    return p;
}

}  // namespace detail

// Builders of TPropInfo for property tables. `get` is a member function, a data member or a
// callable taking `const C&`; `set` a member function, a data member or a callable taking `C&`
// and the value.
namespace pub {

template <class C, class G, class S>
TPropInfo Integer(const char* name, G get, S set, std::optional<std::int64_t> def = 0) {
    return detail::Ordinal<C>(name, TTypeKind::tkInteger, get, set, def);
}
template <class C, class M>
TPropInfo Integer(const char* name, M field, std::optional<std::int64_t> def = 0) {
    return Integer<C>(name, field, field, def);
}
// An integer whose usual values have names (colours, character sets).
template <class C, class G, class S>
TPropInfo Ident(const char* name, const TIdentMap& idents, G get, S set, std::optional<std::int64_t> def) {
    TPropInfo p = detail::Ordinal<C>(name, TTypeKind::tkInteger, get, set, def);
    p.Idents = &idents;
    return p;
}
template <class C, class G, class S>
TPropInfo Enum(const char* name, const TEnumInfo& type, G get, S set, std::optional<std::int64_t> def = 0) {
    TPropInfo p = detail::Ordinal<C>(name, TTypeKind::tkEnumeration, get, set, def);
    p.EnumType = &type;
    return p;
}
template <class C, class G, class S>
TPropInfo Bool(const char* name, G get, S set, std::optional<bool> def = false) {
    std::optional<std::int64_t> d;
    if (def) d = *def ? 1 : 0;
    return Enum<C>(name, BooleanInfo(), get, set, d);
}
template <class C, class M>
TPropInfo Bool(const char* name, M field, std::optional<bool> def = false) {
    return Bool<C>(name, field, field, def);
}
// A set: the value is a bit mask, bit n standing for element n of `element`.
template <class C, class G, class S>
TPropInfo Set(const char* name, const TEnumInfo& element, G get, S set, std::optional<std::int64_t> def = 0) {
    TPropInfo p = detail::Ordinal<C>(name, TTypeKind::tkSet, get, set, def);
    p.EnumType = &element;
    return p;
}
template <class C, class G, class S>
TPropInfo Char(const char* name, G get, S set, std::optional<std::int64_t> def = 0) {
    return detail::Ordinal<C>(name, TTypeKind::tkChar, get, set, def);
}
template <class C, class G, class S>
TPropInfo Int64(const char* name, G get, S set, std::optional<std::int64_t> def = 0) {
    return detail::Ordinal<C>(name, TTypeKind::tkInt64, get, set, def);
}
template <class C, class G, class S>
TPropInfo Float(const char* name, G get, S set) {
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::tkFloat;
    p.GetFloat = [get](const TPersistent& o) { return static_cast<double>(detail::Get<C>(get, o)); };
    p.SetFloat = [set](TPersistent& o, double v) { detail::Set<C>(set, o, v); };
    return p;
}
// A long 8-bit string.
template <class C, class G, class S>
TPropInfo String(const char* name, G get, S set) {
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::tkLString;
    p.GetStr = [get](const TPersistent& o) { return AnsiString(detail::Get<C>(get, o)); };
    p.SetStr = [set](TPersistent& o, const AnsiString& v) { detail::Set<C>(set, o, v); };
    return p;
}
template <class C, class M>
TPropInfo String(const char* name, M field) {
    return String<C>(name, field, field);
}
template <class C, class G, class S>
TPropInfo WString(const char* name, G get, S set) {
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::tkWString;
    p.GetWStr = [get](const TPersistent& o) { return WideString(detail::Get<C>(get, o)); };
    p.SetWStr = [set](TPersistent& o, const WideString& v) { detail::Set<C>(set, o, v); };
    return p;
}
// An object the instance owns (a font, a string list, a collection): read and written through its
// own properties. `get` answers a pointer.
template <class C, class G>
TPropInfo Object(const char* name, const TClassInfo* cls, G get) {
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::tkClass;
    p.PropClass = cls;
    p.GetObj = [get](const TPersistent& o) -> TPersistent* { return detail::Get<C>(get, o); };
    return p;
}
// A reference to another component, stored in streams as its name.
template <class C, class G, class S>
TPropInfo Reference(const char* name, const TClassInfo* cls, G get, S set) {
    TPropInfo p = Object<C>(name, cls, get);
    p.SetObj = [set](TPersistent& o, TPersistent* v) { detail::Set<C>(set, o, v); };
    return p;
}
// An event: `field` is a TMethod data member (or get/set callables).
template <class C, class G, class S>
TPropInfo Event(const char* name, G get, S set) {
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::tkMethod;
    p.GetMethod = [get](const TPersistent& o) { return TMethod(detail::Get<C>(get, o)); };
    p.SetMethod = [set](TPersistent& o, const TMethod& v) { detail::Set<C>(set, o, v); };
    return p;
}
template <class C>
TPropInfo Event(const char* name, TMethod C::*field) {
    return Event<C>(name, field, field);
}

inline TPropInfo NotStored(TPropInfo p) {
    p.Stored = false;
    return p;
}

// A published method of class C: `void (C::*)(rtl::TObject* Sender)`.
template <class C>
TMethodInfo Method(const char* name, void (C::*handler)(rtl::TObject*)) {
    return TMethodInfo{name, [handler](TPersistent& self, rtl::TObject* sender) {
                           (static_cast<C&>(self).*handler)(sender);
                       }};
}

}  // namespace pub

}  // namespace rtti
