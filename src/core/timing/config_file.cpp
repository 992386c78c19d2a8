#include "core/timing/config_file.h"

#include <cstdint>

namespace ferrule {

namespace {

constexpr uint8_t kLongerLength = 0xFF;
constexpr uint16_t kLongestLength = 0xFFFF;
constexpr uint16_t kWideCharacters = 0xFFFE;

void AppendLittleEndian(std::string& file, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        file.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// Reads what is there and nothing beyond it.
class Reader {
public:
    explicit Reader(std::string_view file) : m_file(file) {}

    bool Take(size_t count, std::string_view* bytes) {
        if (count > m_file.size() - m_pos) {
            return false;
        }
        *bytes = m_file.substr(m_pos, count);
        m_pos += count;
        return true;
    }
    bool LittleEndian(int count, uint64_t* value) {
        std::string_view bytes;
        if (!Take(static_cast<size_t>(count), &bytes)) {
            return false;
        }
        *value = 0;
        for (int i = count - 1; i >= 0; --i) {
            *value = *value << 8 | static_cast<uint8_t>(bytes[static_cast<size_t>(i)]);
        }
        return true;
    }

private:
    std::string_view m_file;
    size_t m_pos = 0;
};

enum class Width { Narrow, Wide };

// A length in one of the three forms; the first may announce 16-bit
// characters, which a second length then counts.
bool ReadLength(Reader& in, bool markerAllowed, uint64_t* length, Width* width) {
    uint64_t value = 0;
    if (!in.LittleEndian(1, &value)) {
        return false;
    }
    if (value != kLongerLength) {
        *length = value;
        return true;
    }
    if (!in.LittleEndian(2, &value)) {
        return false;
    }
    if (value == kWideCharacters) {
        if (!markerAllowed) {
            return false;
        }
        *width = Width::Wide;
        return ReadLength(in, false, length, width);
    }
    if (value != kLongestLength) {
        *length = value;
        return true;
    }
    return in.LittleEndian(4, length);
}

void AppendUtf8(std::string& text, uint32_t code) {
    if (code < 0x80) {
        text.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        text.push_back(static_cast<char>(0xC0 | code >> 6));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | code >> 12));
        text.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | code >> 18));
        text.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// UTF-16 to UTF-8; a surrogate without its partner becomes U+FFFD.
std::string FromUtf16(std::string_view bytes) {
    std::string text;
    const size_t units = bytes.size() / 2;
    auto unit = [&bytes](size_t i) {
        return static_cast<uint32_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                     static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    };
    for (size_t i = 0; i < units; ++i) {
        uint32_t code = unit(i);
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;
        }
        AppendUtf8(text, code);
    }
    return text;
}

}  // namespace

void AppendConfigRecord(std::string& file, std::string_view text) {
    const uint64_t n = text.size();
    if (n < kLongerLength) {
        AppendLittleEndian(file, n, 1);
    } else if (n < kWideCharacters) {
        AppendLittleEndian(file, kLongerLength, 1);
        AppendLittleEndian(file, n, 2);
    } else {
        AppendLittleEndian(file, kLongerLength, 1);
        AppendLittleEndian(file, kLongestLength, 2);
        AppendLittleEndian(file, n, 4);
    }
    file.append(text);
}

std::string EncodeConfigFile(const ConfigRecords& records) {
    std::string file;
    for (const std::string& record : records) {
        AppendConfigRecord(file, record);
    }
    return file;
}

std::optional<ConfigRecords> DecodeConfigFile(std::string_view file) {
    Reader in(file);
    ConfigRecords records;
    for (std::string& record : records) {
        uint64_t length = 0;
        Width width = Width::Narrow;
        if (!ReadLength(in, true, &length, &width)) {
            return std::nullopt;
        }
        // Checked against what is left before anything is taken or allocated.
        const uint64_t byteCount = width == Width::Wide ? length * 2 : length;
        std::string_view bytes;
        if (byteCount > file.size() || !in.Take(static_cast<size_t>(byteCount), &bytes)) {
            return std::nullopt;
        }
        record = width == Width::Wide ? FromUtf16(bytes) : std::string(bytes);
    }
    return records;
}

}  // namespace ferrule
