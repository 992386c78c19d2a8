// The pieces of a session record's rows: CSV fields as a spreadsheet or
// pandas reads them, bytes in hex, and the local wall-clock time in ISO 8601
// with milliseconds and the offset from UTC.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ferrule {

// The field as it is, or quoted with its quotes doubled when it holds a
// comma, a quote or a line break.
void AppendCsvField(std::string& row, std::string_view field);

// "CC 00 1A": two upper-case hex digits per byte, a blank between them.
void AppendHexBytes(std::string& row, std::span<const uint8_t> bytes);

// "2025-03-04T10:20:30.456+01:00" for milliseconds since the epoch.
std::string LocalIsoTime(int64_t epochMs);

// The same, appended to a row; the time zone is looked up once a second.
class LocalIsoClock {
public:
    void Append(std::string& row, int64_t epochMs);

private:
    int64_t m_second = -1;
    std::string m_date;    // "2025-03-04T10:20:30."
    std::string m_offset;  // "+01:00"
};

}  // namespace ferrule
