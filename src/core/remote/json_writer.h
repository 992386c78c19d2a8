// A small JSON writer for the command line's and the socket's output: one
// object per line, fields in the order they were set, strings escaped so that
// any bytes (invalid UTF-8 included) make valid JSON.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ferrule::remote {

// The text as a JSON string literal, quotes included. Control characters are
// escaped; a byte that is not part of valid UTF-8 becomes U+FFFD.
std::string JsonString(std::string_view text);

class JsonObject {
public:
    JsonObject& Set(std::string_view key, std::string_view value);
    JsonObject& Set(std::string_view key, const char* value) {
        return Set(key, std::string_view(value));
    }
    JsonObject& Set(std::string_view key, int64_t value);
    JsonObject& Set(std::string_view key, int value) { return Set(key, int64_t{value}); }
    JsonObject& Set(std::string_view key, bool value);
    // A number with one decimal, as times in milliseconds with their tenths.
    JsonObject& SetTenths(std::string_view key, int64_t tenths);
    // A value that is JSON already (an object or an array).
    JsonObject& SetRaw(std::string_view key, std::string json);
    // Every field of `other`, after those already here.
    JsonObject& Append(const JsonObject& other);

    bool Empty() const { return m_fields.empty(); }
    // The raw JSON of a field set before; empty when there is none.
    std::string Get(std::string_view key) const;
    std::string Text() const;

private:
    std::vector<std::pair<std::string, std::string>> m_fields;
};

// "[a,b,...]" of values that are JSON already.
std::string JsonArray(const std::vector<std::string>& values);

}  // namespace ferrule::remote
