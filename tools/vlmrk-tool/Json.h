#pragma once
// A small streaming JSON writer for the tool's output (UTF-8, compact, keys in insertion order).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Utf8.h"

namespace tool {

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view utf8);   // text must be UTF-8
    JsonWriter& String(std::u16string_view utf16);
    JsonWriter& Int(std::int64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();
    const std::string& Text() const { return out_; }

private:
    void BeforeValue();
    std::string out_;
    std::vector<bool> first_;  // per open container: no element written yet
    bool afterKey_ = false;
};

using rtl::Utf16ToUtf8;  // unpaired surrogates become U+FFFD

}  // namespace tool
