#pragma once
// Just enough JSON for the shop's messages: flat objects of strings,
// numbers and nulls, written in the order the fields are added.
#include <cstdint>
#include <string>
#include <string_view>

namespace ks::publish {

// A JSON string of bytes: quotes, backslashes and control characters
// escaped; bytes that are no well-formed UTF-8 (a GBK file name, a name cut
// in the middle of a character) become U+FFFD, so the message stays valid
// JSON whatever the settings or the job's name hold.
std::string JsonString(std::string_view bytes);

class JsonObject {
public:
    JsonObject& Text(std::string_view key, std::string_view value);
    // A string field, or null when value is empty.
    JsonObject& TextOrNull(std::string_view key, std::string_view value);
    JsonObject& Int(std::string_view key, int64_t value);
    // A number already written as JSON allows ("12.500", "-3"), or null
    // when empty.
    JsonObject& NumberOrNull(std::string_view key, std::string_view number);
    JsonObject& Null(std::string_view key);
    std::string Close() const { return m_text + "}"; }

private:
    JsonObject& Raw(std::string_view key, std::string_view value);
    std::string m_text = "{";
};

// Length of the well-formed UTF-8 character at text[i]; 0 when the bytes
// there are none.
size_t Utf8Length(std::string_view text, size_t i);

// Whether text is a JSON number as the CSV record writes them: an optional
// minus, digits, an optional fraction.
bool IsPlainNumber(std::string_view text);

}  // namespace ks::publish
