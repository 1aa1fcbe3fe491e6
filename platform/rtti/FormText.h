#pragma once
// Text form sources: the readable twin of a form stream, converted both ways exactly.
//
//     object Form1: TForm1
//       Caption = 'Veilmark '#233't'
//       Font.Charset = DEFAULT_CHARSET
//       Lines.Strings = (
//         'one'
//         'two')
//       Options = [opA, opB]
//       Columns = <
//         item
//           Width = 64
//         end
//         item [3]
//           Width = 20
//         end>
//       Picture.Data = {
//         0954426974...}
//       OnClick = Button1Click
//       object Panel1: TPanel [2]
//       end
//       inline Frame11: TFrame1
//       end
//     end
//
// Headers: "object", "inherited", "inline" or "inherited inline" (the prefix flags), an optional
// "Name:", the class name, and "[n]" for a child position. Values: integers, floats (with "." or
// an exponent), strings in quotes with #n for a character by code (the two joined without blanks,
// pieces joined with "+"), identifiers (False, True, nil and Null stand for their own value types),
// sets in [ ], lists in ( ), collections in < > with "item" ... "end" and an optional "[n]" index,
// binary data in { } as hexadecimal. Characters in quotes are taken byte by byte (codes 0..255);
// codes above 255 make a wide string. Names that are not identifiers may be written in quotes.
//
// Exactness. Compiling chooses the ordinary encoding of a value: the smallest integer type
// (vaInt64 only beyond 32 bits), vaString up to 255 characters and vaLString beyond, vaWString
// when a character is above 255, vaExtended for a float. When a stream holds another encoding,
// the text says so with a tag before the value, and decompiling writes such a tag only then:
//   @i8 @i16 @i32 @i64          integer width            Left = @i32 5
//   @lstr @wstr @utf8           string type              Caption = @wstr 'abc'
//   @single @double @date @currency @ext   float type    Ratio = @single 0.5
//   @ident                      an identifier stored as vaIdent although it reads as one of the
//                               four own-code names, or a name given in quotes   X = @ident True
//   $hex after a float tag      the raw bytes, in stream order, of a float that no decimal
//                               reproduces exactly (NaN, infinities, unusual encodings)
//   @prefix $F8 after the header keywords: a prefix byte other than the keywords imply
// So text -> binary -> text and binary -> text -> binary give back exactly what they started from.
// Bytes after the root object's end are not part of the form and are not kept.

#include "platform/rtl/Exception.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysTypes.h"

namespace rtti {

// A syntax error in a form source: "Line 12: '=' expected".
VLMRK_DECLARE_EXCEPTION(EParserError, rtl::Exception);

// The text of the form stream at the input's position. A malformed stream raises EReadError.
rtl::AnsiString ObjectBinaryToText(rtl::TStream& input);
// Writes the form stream of a form source (signature included).
void ObjectTextToBinary(const rtl::AnsiString& text, rtl::TStream& output);

}  // namespace rtti
