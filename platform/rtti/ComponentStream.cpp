#include "platform/rtti/ComponentStream.h"

#include "platform/rtl/Conversions.h"
#include "platform/rtl/RtlConsts.h"
#include "platform/rtti/RttiConsts.h"

namespace rtti {

namespace {

bool IsIntType(TValueType t) {
    return t == TValueType::vaInt8 || t == TValueType::vaInt16 || t == TValueType::vaInt32;
}

// The error names the object and property and keeps the code of what refused them; a read error
// without one is the stream ending inside the value, and anything else is the property or the
// component refusing what the stream gave.
[[noreturn]] void RaisePropError(const AnsiString& objectName, const AnsiString& propName, const rtl::Exception& e) {
    std::string_view code = e.Code();
    if (code.empty()) code = dynamic_cast<const rtl::EReadError*>(&e) ? "form.stream.short" : "form.value.refused";
    throw EFormReadError(EFormReadError::CreateResFmt, rtl::SReadErrorProp,
                         {objectName, AnsiString(propName.empty() ? "" : "."), propName, e.Message()})
        .WithCode(code);
}

[[noreturn]] void ClassNotFound(const AnsiString& name) {
    throw EClassNotFound(EClassNotFound::CreateResFmt, SClassNotFound, {name}).WithCode("form.class.unknown");
}

// The registered class a stream names.
const TClassInfo* StreamClass(const TReadContext& context, const AnsiString& name) {
    if (!context.Registry || !context.Registry->FindClass(name)) ClassNotFound(name);
    return context.Registry->GetClass(name);
}

// Inline frames and ancestors read further streams; a frame that (through others) contains
// itself must not recurse without end.
constexpr int kMaxStreamDepth = 16;

void ReadComponentAt(rtl::TStream& stream, TComponent& root, const TReadContext& context, int depth);
bool InitInheritedAt(TComponent& instance, const TReadContext& context, int depth);

struct TFixup {
    TPersistent* Instance;
    const TPropInfo* Prop;
    AnsiString Name;
    TComponent* Owner;
};

// One pass over one stream.
class TComponentReader {
public:
    TComponentReader(rtl::TStream& stream, const TReadContext& context, TComponent& root, int depth)
        : reader_(stream), context_(context), root_(root), depth_(depth) {}

    void Run() {
        rtl::WithReadErrorCode("form.stream.short", [&] {
            reader_.ReadSignature();
            TObjectHeader h = reader_.ReadHeader();
            if (root_.Name().empty() && !h.ObjectName.empty()) root_.SetName(h.ObjectName);
            root_.SetLoading(true);
            loaded_.push_back(&root_);
            ReadBody(root_, &root_, h.ObjectName.empty() ? h.ClassName : h.ObjectName);
        });
        ResolveFixups();
        for (TComponent* c : loaded_) c->Loaded();
    }

private:
    // Properties, then children.
    void ReadBody(TComponent& instance, TComponent* childOwner, const AnsiString& displayName) {
        while (!reader_.EndOfList()) ReadProperty(instance, displayName);
        reader_.ReadListEnd();
        while (!reader_.EndOfList()) ReadChild(instance, *childOwner);
        reader_.ReadListEnd();
    }

    void ReadChild(TComponent& parent, TComponent& owner) {
        TNestingGuard guard(reader_);
        TObjectHeader h = reader_.ReadHeader();
        AnsiString where = owner.Name().empty() ? owner.ClassName() : owner.Name();
        TComponent* instance = nullptr;
        try {
            if (h.Flags & ffInherited) {
                instance = owner.FindComponent(h.ObjectName);
                if (!instance)
                    throw rtl::EReadError(rtl::EReadError::CreateResFmt, SAncestorNotFound, {h.ObjectName})
                        .WithCode("form.ancestor.missing");
            } else {
                const TClassInfo* cls = StreamClass(context_, h.ClassName);
                std::unique_ptr<TPersistent> obj = cls->Create();
                auto* comp = dynamic_cast<TComponent*>(obj.get());
                if (!comp) ClassNotFound(h.ClassName);
                obj.release();
                std::unique_ptr<TComponent> owned(comp);
                owned->SetName(h.ObjectName);
                owned->SetLoading(true);
                instance = owner.InsertComponent(std::move(owned));
                instance->SetParentComponent(&parent);
                if (h.Flags & ffInline) {
                    instance->SetInline(true);
                    // The frame's own design comes first; this stream then changes it.
                    if (context_.FindResource) InitInheritedAt(*instance, context_, depth_ + 1);
                    instance->SetLoading(true);
                }
            }
        } catch (const EFormReadError&) {
            throw;
        } catch (const rtl::Exception& e) {
            RaisePropError(where, h.ObjectName.empty() ? h.ClassName : h.ObjectName, e);
        }
        loaded_.push_back(instance);
        // The contents of an inline frame belong to the frame.
        TComponent* childOwner = (h.Flags & ffInline) || instance->IsInline() ? instance : &owner;
        ReadBody(*instance, childOwner, h.ObjectName.empty() ? h.ClassName : h.ObjectName);
    }

    void ReadProperty(TPersistent& instance, const AnsiString& objectName) {
        AnsiString path = reader_.ReadStr();
        try {
            TPersistent* target = &instance;
            std::size_t start = 0;
            for (;;) {
                std::size_t dot = path.find('.', start);
                AnsiString step = path.substr(start, dot == AnsiString::npos ? AnsiString::npos : dot - start);
                const TPropInfo* prop = target->ClassType()->FindProp(step);
                if (dot == AnsiString::npos) {
                    if (prop)
                        ReadPropValue(*target, *prop);
                    else if (!target->ReadDefinedProperty(step, reader_))
                        UnknownProperty(step);
                    return;
                }
                if (!prop || prop->Kind != TTypeKind::tkClass || !prop->GetObj) UnknownProperty(step);
                TPersistent* next = prop->GetObj(*target);
                if (!next) Invalid();
                target = next;
                start = dot + 1;
            }
        } catch (const EFormReadError&) {
            throw;
        } catch (const rtl::Exception& e) {
            RaisePropError(objectName, path, e);
        }
    }

    [[noreturn]] static void Invalid() {
        throw rtl::EReadError(rtl::EReadError::CreateRes, SInvalidPropertyValue).WithCode("form.value.invalid");
    }
    [[noreturn]] static void UnknownProperty(const AnsiString& name) {
        throw rtl::EReadError(rtl::EReadError::CreateResFmt, SUnknownProperty, {name}).WithCode("form.property.unknown");
    }

    void ReadPropValue(TPersistent& obj, const TPropInfo& prop) {
        TValueType next = reader_.NextValue();
        switch (prop.Kind) {
            case TTypeKind::tkInteger:
                if (next == TValueType::vaIdent && prop.Idents) {
                    AnsiString ident = reader_.ReadIdent();
                    std::int32_t v = 0;
                    if (!prop.Idents->IdentToInt(ident, v)) Invalid();
                    prop.SetOrd(obj, v);
                } else {
                    prop.SetOrd(obj, reader_.ReadInteger());
                }
                return;
            case TTypeKind::tkInt64:
                prop.SetOrd(obj, reader_.ReadInt64());
                return;
            case TTypeKind::tkChar:
            case TTypeKind::tkWChar:
                if (IsIntType(next)) {
                    prop.SetOrd(obj, reader_.ReadInteger());
                } else if (prop.Kind == TTypeKind::tkChar) {
                    AnsiString s = reader_.ReadString(&obj);
                    if (s.size() != 1) Invalid();
                    prop.SetOrd(obj, static_cast<unsigned char>(s[0]));
                } else {
                    WideString s = reader_.ReadWideString(&obj);
                    if (s.size() != 1) Invalid();
                    prop.SetOrd(obj, s[0]);
                }
                return;
            case TTypeKind::tkEnumeration: {
                AnsiString ident = reader_.ReadIdent();
                int v = prop.EnumType ? prop.EnumType->ValueOf(ident) : -1;
                if (v < 0) Invalid();
                prop.SetOrd(obj, v);
                return;
            }
            case TTypeKind::tkSet: {
                std::int64_t bits = 0;
                for (const auto& name : reader_.ReadSet()) {
                    int v = prop.EnumType ? prop.EnumType->ValueOf(name) : -1;
                    if (v < 0 || v >= 64) Invalid();
                    bits |= std::int64_t{1} << v;
                }
                prop.SetOrd(obj, bits);
                return;
            }
            case TTypeKind::tkFloat:
                prop.SetFloat(obj, reader_.ReadFloat());
                return;
            case TTypeKind::tkString:
            case TTypeKind::tkLString:
                prop.SetStr(obj, reader_.ReadString(&obj));
                return;
            case TTypeKind::tkWString:
                prop.SetWStr(obj, reader_.ReadWideString(&obj));
                return;
            case TTypeKind::tkClass:
                ReadObjectValue(obj, prop, next);
                return;
            case TTypeKind::tkMethod:
                ReadMethodValue(obj, prop, next);
                return;
            default:
                Invalid();
        }
    }

    void ReadObjectValue(TPersistent& obj, const TPropInfo& prop, TValueType next) {
        if (next == TValueType::vaCollection) {
            auto* coll = dynamic_cast<TCollection*>(prop.GetObj ? prop.GetObj(obj) : nullptr);
            if (!coll) Invalid();
            ReadCollection(*coll);
        } else if (next == TValueType::vaNil) {
            reader_.ReadValue();
            if (prop.SetObj) prop.SetObj(obj, nullptr);
        } else if (next == TValueType::vaIdent && prop.SetObj) {
            // A reference to a component that may come later in the stream.
            auto* comp = dynamic_cast<TComponent*>(&obj);
            fixups_.push_back({&obj, &prop, reader_.ReadIdent(), comp ? comp->Owner() : nullptr});
        } else {
            Invalid();
        }
    }

    void ReadMethodValue(TPersistent& obj, const TPropInfo& prop, TValueType next) {
        if (next == TValueType::vaNil) {
            reader_.ReadValue();
            prop.SetMethod(obj, TMethod{});
            return;
        }
        if (next != TValueType::vaIdent) Invalid();
        AnsiString handler = reader_.ReadIdent();
        const TMethodInfo* m = root_.ClassType()->FindMethod(handler);
        if (!m)
            throw rtl::EReadError(rtl::EReadError::CreateResFmt, SMethodNotFound, {handler}).WithCode("form.method.unknown");
        prop.SetMethod(obj, TMethod{&root_, m});
    }

    void ReadCollection(TCollection& coll) {
        TNestingGuard guard(reader_);
        reader_.ReadValue();  // vaCollection
        coll.BeginUpdate();
        try {
            coll.Clear();
            while (!reader_.EndOfList()) {
                if (IsIntType(reader_.NextValue())) reader_.ReadInteger();  // the item's index: kept by order
                reader_.ReadListBegin();
                TCollectionItem* item = coll.Add();
                while (!reader_.EndOfList()) ReadProperty(*item, item->DisplayName());
                reader_.ReadListEnd();
            }
            reader_.ReadListEnd();
        } catch (...) {
            coll.EndUpdate();
            throw;
        }
        coll.EndUpdate();
    }

    void ResolveFixups() {
        for (const auto& f : fixups_) {
            TComponent* target = root_.FindComponent(f.Name);
            if (!target && f.Owner) target = f.Owner->FindComponent(f.Name);
            if (!target && rtl::SameText(f.Name, root_.Name())) target = &root_;
            // A name that is not found stays unset, as references to other forms do.
            if (target) f.Prop->SetObj(*f.Instance, target);
        }
    }

    TReader reader_;
    const TReadContext& context_;
    TComponent& root_;
    int depth_;
    std::vector<TComponent*> loaded_;
    std::vector<TFixup> fixups_;
};

// ---- Writing ---------------------------------------------------------------------------------

void WriteCollection(TWriter& writer, const TCollection& coll, const TComponent* root) {
    writer.WriteCollectionBegin();
    for (int i = 0; i < coll.Count(); ++i) {
        auto saved = writer.TakePropPath();
        writer.WriteListBegin();
        WriteProperties(writer, *coll.Items(i), root);
        writer.WriteListEnd();
        writer.RestorePropPath(std::move(saved));
    }
    writer.WriteListEnd();
}

void WriteComponent(TWriter& writer, const TComponent& component, const TComponent& root) {
    std::uint8_t flags = (&component != &root && component.IsInline()) ? ffInline : 0;
    writer.WriteHeader(flags, 0, component.ClassName(), component.Name());
    WriteProperties(writer, component, &root);
    writer.WriteListEnd();
    // Components inside an inline frame are streamed with the frame as their root.
    const TComponent& childRoot = flags & ffInline ? component : root;
    component.GetChildren([&](TComponent* child) { WriteComponent(writer, *child, childRoot); },
                          const_cast<TComponent*>(&childRoot));
    writer.WriteListEnd();
}

}  // namespace

void WriteProperties(TWriter& writer, const TPersistent& object, const TComponent* root) {
    for (const TPropInfo* p : object.ClassType()->AllProps()) {
        if (!p->Stored) continue;
        switch (p->Kind) {
            case TTypeKind::tkInteger:
            case TTypeKind::tkInt64:
            case TTypeKind::tkChar:
            case TTypeKind::tkWChar:
            case TTypeKind::tkEnumeration:
            case TTypeKind::tkSet: {
                std::int64_t v = p->GetOrd(object);
                if (p->Default && *p->Default == v) break;
                writer.WritePropName(p->Name);
                AnsiString ident;
                if (p->Kind == TTypeKind::tkEnumeration && p->EnumType && !p->EnumType->NameOf(v).empty()) {
                    writer.WriteIdent(AnsiString(p->EnumType->NameOf(v)));
                } else if (p->Kind == TTypeKind::tkSet && p->EnumType) {
                    std::vector<AnsiString> names;
                    for (int i = 0; i < p->EnumType->Count() && i < 64; ++i)
                        if (v & (std::int64_t{1} << i)) names.emplace_back(p->EnumType->NameOf(i));
                    writer.WriteSet(names);
                } else if (p->Idents && p->Idents->IntToIdent(static_cast<std::int32_t>(v), ident)) {
                    writer.WriteIdent(ident);
                } else if (p->Kind == TTypeKind::tkChar && v >= 0x20 && v < 0x7F) {
                    writer.WriteString(AnsiString(1, static_cast<char>(v)));
                } else {
                    writer.WriteInteger(v);
                }
                break;
            }
            case TTypeKind::tkFloat: {
                double v = p->GetFloat(object);
                if (v == 0) break;
                writer.WritePropName(p->Name);
                writer.WriteFloat(v);
                break;
            }
            case TTypeKind::tkString:
            case TTypeKind::tkLString: {
                AnsiString v = p->GetStr(object);
                if (v.empty()) break;
                writer.WritePropName(p->Name);
                writer.WriteString(v);
                break;
            }
            case TTypeKind::tkWString: {
                WideString v = p->GetWStr(object);
                if (v.empty()) break;
                writer.WritePropName(p->Name);
                writer.WriteWideString(v);
                break;
            }
            case TTypeKind::tkMethod: {
                TMethod m = p->GetMethod(object);
                if (!m.Assigned()) break;
                AnsiString name = m.Data->ClassType()->MethodName(m.Code);
                if (name.empty()) break;
                writer.WritePropName(p->Name);
                writer.WriteIdent(name);
                break;
            }
            case TTypeKind::tkClass: {
                TPersistent* v = p->GetObj ? p->GetObj(object) : nullptr;
                if (!v) break;
                if (p->SetObj) {
                    // A reference: written as the component's name.
                    auto* c = dynamic_cast<TComponent*>(v);
                    if (!c || c->Name().empty()) break;
                    writer.WritePropName(p->Name);
                    writer.WriteIdent(c->Owner() && c->Owner() != root && c != root
                                          ? c->Owner()->Name() + "." + c->Name()
                                          : c->Name());
                } else if (auto* coll = dynamic_cast<TCollection*>(v)) {
                    if (coll->Count() == 0) break;
                    writer.WritePropName(p->Name);
                    WriteCollection(writer, *coll, root);
                } else if (!dynamic_cast<TComponent*>(v)) {
                    writer.PushPropPath(p->Name);
                    WriteProperties(writer, *v, root);
                    writer.PopPropPath();
                }
                break;
            }
            default:
                break;
        }
    }
    object.WriteDefinedProperties(writer);
}

namespace {

void ReadComponentAt(rtl::TStream& stream, TComponent& root, const TReadContext& context, int depth) {
    if (depth > kMaxStreamDepth)
        throw rtl::EReadError(rtl::EReadError::CreateRes, SStreamTooDeep).WithCode("form.nesting.deep");
    TComponentReader(stream, context, root, depth).Run();
}

// Reads the streams of `top` and of its ancestors that have one, the farthest ancestor first.
bool ReadClassStreams(TComponent& instance, const TClassInfo* top, const TReadContext& context, int depth) {
    if (!context.FindResource) return false;
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = top; c; c = c->Parent()) chain.push_back(c);
    bool any = false;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        std::optional<std::vector<std::uint8_t>> bytes = context.FindResource(AnsiString((*it)->Name()));
        if (!bytes) continue;
        rtl::TReadOnlyStream s(*bytes);
        ReadComponentAt(s, instance, context, depth);
        any = true;
    }
    return any;
}

bool InitInheritedAt(TComponent& instance, const TReadContext& context, int depth) {
    return ReadClassStreams(instance, instance.ClassType(), context, depth);
}

}  // namespace

void ReadComponent(rtl::TStream& stream, TComponent& root, const TReadContext& context) {
    ReadComponentAt(stream, root, context, 0);
}

bool InitInheritedComponent(TComponent& instance, const TReadContext& context) {
    return InitInheritedAt(instance, context, 0);
}

std::unique_ptr<TComponent> ReadRootComponent(rtl::TStream& stream, const TReadContext& context) {
    std::int64_t start = stream.Position();
    TReader probe(stream);
    const TObjectHeader h = rtl::WithReadErrorCode("form.stream.short", [&] {
        probe.ReadSignature();
        return probe.ReadHeader();
    });
    stream.SetPosition(start);
    const TClassInfo* cls = StreamClass(context, h.ClassName);
    std::unique_ptr<TPersistent> obj = cls->Create();
    auto* comp = dynamic_cast<TComponent*>(obj.get());
    if (!comp) ClassNotFound(h.ClassName);
    obj.release();
    std::unique_ptr<TComponent> root(comp);
    // The ancestors' designs first; this stream is the class's own.
    ReadClassStreams(*root, cls->Parent(), context, 0);
    ReadComponent(stream, *root, context);
    return root;
}

std::unique_ptr<TComponent> CreateFromResources(const AnsiString& className, const TReadContext& context) {
    if (!context.Registry) throw EClassNotFound(EClassNotFound::CreateResFmt, SClassNotFound, {className});
    const TClassInfo* cls = context.Registry->GetClass(className);
    std::unique_ptr<TPersistent> obj = cls->Create();
    auto* comp = dynamic_cast<TComponent*>(obj.get());
    if (!comp) throw EClassNotFound(EClassNotFound::CreateResFmt, SClassNotFound, {className});
    obj.release();
    std::unique_ptr<TComponent> root(comp);
    InitInheritedComponent(*root, context);
    return root;
}

void WriteRootComponent(rtl::TStream& stream, const TComponent& root) {
    TWriter writer(stream);
    writer.WriteSignature();
    WriteComponent(writer, root, root);
}

}  // namespace rtti
