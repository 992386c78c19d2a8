#include "core/record/record_format.h"

#include <cstdio>
#include <ctime>

namespace ferrule {

void AppendCsvField(std::string& row, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        row.append(field);
        return;
    }
    row.push_back('"');
    for (char c : field) {
        if (c == '"') {
            row.push_back('"');
        }
        row.push_back(c);
    }
    row.push_back('"');
}

void AppendHexBytes(std::string& row, std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            row.push_back(' ');
        }
        row.push_back(kDigits[bytes[i] >> 4]);
        row.push_back(kDigits[bytes[i] & 0x0F]);
    }
}

std::string LocalIsoTime(int64_t epochMs) {
    std::string text;
    LocalIsoClock().Append(text, epochMs);
    return text;
}

void LocalIsoClock::Append(std::string& row, int64_t epochMs) {
    int64_t second = epochMs / 1000;
    int64_t millis = epochMs % 1000;
    if (millis < 0) {
        millis += 1000;
        --second;
    }
    if (second != m_second) {
        m_second = second;
        const auto whole = static_cast<std::time_t>(second);
        std::tm local{};
        localtime_r(&whole, &local);
        char text[64];
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.", local.tm_year + 1900,
                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
        m_date = text;
        const long offsetMinutes = local.tm_gmtoff / 60;
        const long absolute = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
        std::snprintf(text, sizeof text, "%c%02ld:%02ld", offsetMinutes < 0 ? '-' : '+',
                      absolute / 60, absolute % 60);
        m_offset = text;
    }
    char digits[4] = {static_cast<char>('0' + millis / 100),
                      static_cast<char>('0' + millis / 10 % 10),
                      static_cast<char>('0' + millis % 10), 0};
    row += m_date;
    row += digits;
    row += m_offset;
}

}  // namespace ferrule
