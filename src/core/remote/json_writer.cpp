#include "core/remote/json_writer.h"

#include <cstdio>

namespace ferrule::remote {

namespace {

// The length of the valid UTF-8 sequence at the start of `text`, or 0.
size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    uint32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() < length) {
        return 0;
    }
    uint32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        code = code << 6 | (byte(i) & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not UTF-8.
    if (code < lowest || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
        return 0;
    }
    return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const size_t length = Utf8SequenceLength(text.substr(i));
            if (length == 0) {
                out += "\\ufffd";
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    out += '"';
    return out;
}

JsonObject& JsonObject::Set(std::string_view key, std::string_view value) {
    return SetRaw(key, JsonString(value));
}

JsonObject& JsonObject::Set(std::string_view key, int64_t value) {
    return SetRaw(key, std::to_string(value));
}

JsonObject& JsonObject::Set(std::string_view key, bool value) {
    return SetRaw(key, value ? "true" : "false");
}

JsonObject& JsonObject::SetTenths(std::string_view key, int64_t tenths) {
    const char* sign = tenths < 0 ? "-" : "";
    const int64_t magnitude = tenths < 0 ? -tenths : tenths;
    return SetRaw(key,
                  sign + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10));
}

JsonObject& JsonObject::SetRaw(std::string_view key, std::string json) {
    for (auto& [name, value] : m_fields) {
        if (name == key) {
            value = std::move(json);
            return *this;
        }
    }
    m_fields.emplace_back(std::string(key), std::move(json));
    return *this;
}

JsonObject& JsonObject::Append(const JsonObject& other) {
    for (const auto& [name, value] : other.m_fields) {
        SetRaw(name, value);
    }
    return *this;
}

std::string JsonObject::Get(std::string_view key) const {
    for (const auto& [name, value] : m_fields) {
        if (name == key) {
            return value;
        }
    }
    return {};
}

std::string JsonObject::Text() const {
    std::string out = "{";
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (i > 0) {
            out += ", ";
        }
        out += JsonString(m_fields[i].first);
        out += ": ";
        out += m_fields[i].second;
    }
    out += '}';
    return out;
}

std::string JsonArray(const std::vector<std::string>& values) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            out += ", ";
        }
        out += values[i];
    }
    out += ']';
    return out;
}

}  // namespace ferrule::remote
