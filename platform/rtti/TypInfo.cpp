#include "platform/rtti/TypInfo.h"

#include <algorithm>

#include "platform/rtl/Conversions.h"
#include "platform/rtti/Classes.h"
#include "platform/rtti/RttiConsts.h"

namespace rtti {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace

// ---- Enumerations and named integers -----------------------------------------------------------

int TEnumInfo::ValueOf(std::string_view name) const {
    for (std::size_t i = 0; i < Names.size(); ++i)
        if (SameName(Names[i], name)) return static_cast<int>(i);
    return -1;
}

std::string_view TEnumInfo::NameOf(std::int64_t value) const {
    if (value < 0 || value >= static_cast<std::int64_t>(Names.size())) return {};
    return Names[static_cast<std::size_t>(value)];
}

bool TIdentMap::IdentToInt(std::string_view ident, std::int32_t& value) const {
    for (const auto& e : Entries)
        if (SameName(e.Name, ident)) {
            value = e.Value;
            return true;
        }
    return false;
}

bool TIdentMap::IntToIdent(std::int32_t value, AnsiString& ident) const {
    for (const auto& e : Entries)
        if (e.Value == value) {
            ident = AnsiString(e.Name);
            return true;
        }
    return false;
}

const TEnumInfo& BooleanInfo() {
    static const TEnumInfo info{"Boolean", {"False", "True"}};
    return info;
}

void TMethod::operator()(rtl::TObject* sender) const {
    if (Assigned() && Code->Code) Code->Code(*Data, sender);
}

bool TPropInfo::IsOrdinal() const {
    switch (Kind) {
        case TTypeKind::tkInteger:
        case TTypeKind::tkChar:
        case TTypeKind::tkEnumeration:
        case TTypeKind::tkSet:
        case TTypeKind::tkWChar:
        case TTypeKind::tkInt64:
            return true;
        default:
            return false;
    }
}

// ---- Class info ----------------------------------------------------------------------------

TClassInfo::TClassInfo(std::string_view name, const TClassInfo* parent, CreateFn create, std::vector<TPropInfo> props,
                       std::vector<TMethodInfo> methods)
    : name_(name), parent_(parent), create_(create), props_(std::move(props)), methods_(std::move(methods)) {}

std::unique_ptr<TPersistent> TClassInfo::Create() const { return create_ ? create_() : nullptr; }

bool TClassInfo::InheritsFrom(const TClassInfo* ancestor) const {
    for (const TClassInfo* c = this; c; c = c->parent_)
        if (c == ancestor) return true;
    return false;
}

bool TClassInfo::InheritsFromName(std::initializer_list<std::string_view> names) const {
    for (const TClassInfo* c = this; c; c = c->parent_)
        for (auto n : names)
            if (SameName(c->name_, n)) return true;
    return false;
}

const TPropInfo* TClassInfo::FindProp(std::string_view name) const {
    for (const TClassInfo* c = this; c; c = c->parent_)
        for (const auto& p : c->props_)
            if (SameName(p.Name, name)) return &p;
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view name) const {
    for (const TClassInfo* c = this; c; c = c->parent_)
        for (const auto& m : c->methods_)
            if (SameName(m.Name, name)) return &m;
    return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::AllProps() const {
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c; c = c->parent_) chain.push_back(c);
    std::vector<const TPropInfo*> out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const auto& p : (*it)->props_) {
            // A descendant's redeclaration replaces the ancestor's entry in place.
            auto same = std::find_if(out.begin(), out.end(), [&](const TPropInfo* q) { return SameName(q->Name, p.Name); });
            if (same != out.end())
                *same = &p;
            else
                out.push_back(&p);
        }
    return out;
}

AnsiString TClassInfo::MethodName(const TMethodInfo* code) const {
    if (!code) return {};
    for (const TClassInfo* c = this; c; c = c->parent_)
        for (const auto& m : c->methods_)
            if (&m == code) return m.Name;
    return {};
}

// ---- Registry --------------------------------------------------------------------------------

bool TClassRegistry::Less::operator()(const AnsiString& a, const AnsiString& b) const {
    return rtl::CompareText(a, b) < 0;
}

void TClassRegistry::RegisterClass(const TClassInfo* cls) {
    if (cls) classes_[AnsiString(cls->Name())] = cls;
}

void TClassRegistry::RegisterClasses(std::initializer_list<const TClassInfo*> classes) {
    for (auto* c : classes) RegisterClass(c);
}

const TClassInfo* TClassRegistry::FindClass(std::string_view name) const {
    auto it = classes_.find(AnsiString(name));
    return it == classes_.end() ? nullptr : it->second;
}

const TClassInfo* TClassRegistry::GetClass(std::string_view name) const {
    const TClassInfo* c = FindClass(name);
    if (!c) throw EClassNotFound(EClassNotFound::CreateResFmt, SClassNotFound, {AnsiString(name)});
    return c;
}

// ---- Access by name --------------------------------------------------------------------------

const TPropInfo* GetPropInfo(const TPersistent& obj, std::string_view name) { return obj.ClassType()->FindProp(name); }

namespace {

const TPropInfo& Need(const TPersistent& obj, std::string_view name, bool ok(const TPropInfo&)) {
    const TPropInfo* p = GetPropInfo(obj, name);
    if (!p) throw EPropertyError(EPropertyError::CreateResFmt, SUnknownProperty, {AnsiString(name)});
    if (!ok(*p)) throw EPropertyError(EPropertyError::CreateRes, SInvalidPropertyValue);
    return *p;
}

bool IsOrd(const TPropInfo& p) { return p.IsOrdinal(); }
bool IsEnum(const TPropInfo& p) { return p.Kind == TTypeKind::tkEnumeration; }
bool IsStr(const TPropInfo& p) { return p.IsAnsiString(); }
bool IsWStr(const TPropInfo& p) { return p.Kind == TTypeKind::tkWString; }
bool IsFloat(const TPropInfo& p) { return p.Kind == TTypeKind::tkFloat; }
bool IsClass(const TPropInfo& p) { return p.Kind == TTypeKind::tkClass; }
bool IsMethod(const TPropInfo& p) { return p.Kind == TTypeKind::tkMethod; }

}  // namespace

std::int64_t GetOrdProp(const TPersistent& obj, std::string_view name) { return Need(obj, name, IsOrd).GetOrd(obj); }
void SetOrdProp(TPersistent& obj, std::string_view name, std::int64_t value) { Need(obj, name, IsOrd).SetOrd(obj, value); }
AnsiString GetStrProp(const TPersistent& obj, std::string_view name) { return Need(obj, name, IsStr).GetStr(obj); }
void SetStrProp(TPersistent& obj, std::string_view name, const AnsiString& value) {
    Need(obj, name, IsStr).SetStr(obj, value);
}
WideString GetWideStrProp(const TPersistent& obj, std::string_view name) { return Need(obj, name, IsWStr).GetWStr(obj); }
void SetWideStrProp(TPersistent& obj, std::string_view name, const WideString& value) {
    Need(obj, name, IsWStr).SetWStr(obj, value);
}
double GetFloatProp(const TPersistent& obj, std::string_view name) { return Need(obj, name, IsFloat).GetFloat(obj); }
void SetFloatProp(TPersistent& obj, std::string_view name, double value) { Need(obj, name, IsFloat).SetFloat(obj, value); }
TPersistent* GetObjectProp(const TPersistent& obj, std::string_view name) { return Need(obj, name, IsClass).GetObj(obj); }
TMethod GetMethodProp(const TPersistent& obj, std::string_view name) { return Need(obj, name, IsMethod).GetMethod(obj); }
void SetMethodProp(TPersistent& obj, std::string_view name, const TMethod& value) {
    Need(obj, name, IsMethod).SetMethod(obj, value);
}

AnsiString GetEnumProp(const TPersistent& obj, std::string_view name) {
    const TPropInfo& p = Need(obj, name, IsEnum);
    return AnsiString(p.EnumType->NameOf(p.GetOrd(obj)));
}

void SetEnumProp(TPersistent& obj, std::string_view name, std::string_view ident) {
    const TPropInfo& p = Need(obj, name, IsEnum);
    int v = p.EnumType->ValueOf(ident);
    if (v < 0) throw EPropertyConvertError(EPropertyConvertError::CreateRes, SInvalidPropertyValue);
    p.SetOrd(obj, v);
}

// ---- String width conversion ------------------------------------------------------------------

namespace {

struct Converters {
    WideToAnsiFn toAnsi;
    AnsiToWideFn toWide;
};

// Process-wide, like the code-page services it stands in for.
Converters& TheConverters() {
    static Converters c;
    return c;
}

}  // namespace

void SetStringConverters(WideToAnsiFn toAnsi, AnsiToWideFn toWide) {
    TheConverters() = Converters{std::move(toAnsi), std::move(toWide)};
}

AnsiString WideToAnsi(const WideString& text, const TPersistent* target) {
    if (TheConverters().toAnsi) return TheConverters().toAnsi(text, target);
    AnsiString out;
    out.reserve(text.size());
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

WideString AnsiToWide(const AnsiString& text, const TPersistent* target) {
    if (TheConverters().toWide) return TheConverters().toWide(text, target);
    WideString out;
    out.reserve(text.size());
    for (char c : text) {
        auto b = static_cast<unsigned char>(c);
        out.push_back(b < 0x80 ? static_cast<char16_t>(b) : u'?');
    }
    return out;
}

}  // namespace rtti
