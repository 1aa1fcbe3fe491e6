#pragma once
// Reading component trees from form streams and writing them back.
//
// The reader creates child components by class name (TClassRegistry), owned by the root (or, for
// the contents of an inline frame, by the frame), sets each property through its published
// property info (dotted paths such as Font.Name walk object properties; names a class does not
// publish are offered to TPersistent::ReadDefinedProperty, e.g. Lines.Strings), fills
// collections, and binds events by handler name to the methods the root publishes. A form class
// derived from another designed form is read from the ancestor's stream first; the resource
// lookup supplies the stream of a class by name. Objects with the inherited flag are found among
// the components already read instead of being created.
//
// Every failure is an EReadError. Errors about a property or a child object say which:
// "Error reading Form1.Button1.OnClick: Method Button1Clik not found".

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/rtl/Streams.h"
#include "platform/rtti/Classes.h"
#include "platform/rtti/FormStream.h"

namespace rtti {

// The form stream of a designed class, by class name ("TForm1"); nothing when the class has none.
using TResourceLookup = std::function<std::optional<std::vector<std::uint8_t>>(const AnsiString& className)>;

struct TReadContext {
    const TClassRegistry* Registry = nullptr;  // required for streams that create components
    TResourceLookup FindResource;              // optional: inherited forms and inline frames
};

// Reads one form stream into an existing root component (its own properties, its children).
void ReadComponent(rtl::TStream& stream, TComponent& root, const TReadContext& context);

// Reads into `instance` the streams of its class and of its designed ancestors, the farthest
// ancestor first. Answers whether any stream was found.
bool InitInheritedComponent(TComponent& instance, const TReadContext& context);

// Creates a component of the class named in the stream and reads the stream into it (after the
// streams of its designed ancestors when the context can look them up).
std::unique_ptr<TComponent> ReadRootComponent(rtl::TStream& stream, const TReadContext& context);

// Creates a component of a registered class and initialises it from its class's streams.
std::unique_ptr<TComponent> CreateFromResources(const AnsiString& className, const TReadContext& context);

// Writes root and the children it streams (GetChildren) as a complete form stream. Properties
// equal to their defaults are left out. The tree is written whole: inherited components are not
// reduced to their differences from an ancestor.
void WriteRootComponent(rtl::TStream& stream, const TComponent& root);

// Writes the published properties of one object (and its defined properties).
void WriteProperties(TWriter& writer, const TPersistent& object, const TComponent* root);

// A read error that already names the object and property.
VLMRK_DECLARE_EXCEPTION(EFormReadError, rtl::EReadError);

}  // namespace rtti
