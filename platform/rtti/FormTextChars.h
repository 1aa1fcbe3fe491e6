#pragma once
// The characters of identifiers in form sources, shared by the writer and the parser of the text
// form (inside platform/rtti only).

namespace rtti::formtext {

inline bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
inline bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

}  // namespace rtti::formtext
