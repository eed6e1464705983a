#include "publish/shop_json.h"

#include "platform/textnum.h"

namespace ks::publish {

size_t Utf8Length(std::string_view s, size_t i) {
    const auto byte = [&s](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80) return 1;
    size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    if (byte(i + 1) < lo || byte(i + 1) > hi) return 0;
    for (size_t k = 2; k < n; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    return n;
}

std::string JsonString(std::string_view bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const size_t n = Utf8Length(bytes, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(bytes.substr(i, n));
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
        i += n;
    }
    return out + "\"";
}

JsonObject& JsonObject::Raw(std::string_view key, std::string_view value) {
    if (m_text.size() > 1) m_text += ',';
    m_text += JsonString(key);
    m_text += ':';
    m_text += value;
    return *this;
}

JsonObject& JsonObject::Text(std::string_view key, std::string_view value) { return Raw(key, JsonString(value)); }

JsonObject& JsonObject::TextOrNull(std::string_view key, std::string_view value) {
    return value.empty() ? Null(key) : Text(key, value);
}

JsonObject& JsonObject::Int(std::string_view key, int64_t value) { return Raw(key, FormatInt(value)); }

JsonObject& JsonObject::NumberOrNull(std::string_view key, std::string_view number) {
    return number.empty() ? Null(key) : Raw(key, number);
}

JsonObject& JsonObject::Null(std::string_view key) { return Raw(key, "null"); }

bool IsPlainNumber(std::string_view t) {
    size_t i = (!t.empty() && t[0] == '-') ? 1 : 0;
    const size_t intStart = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    if (i == intStart) return false;
    if (i - intStart > 1 && t[intStart] == '0') return false;  // JSON has no leading zeros
    if (i == t.size()) return true;
    if (t[i] != '.') return false;
    const size_t fracStart = ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    return i > fracStart && i == t.size();
}

}  // namespace ks::publish
