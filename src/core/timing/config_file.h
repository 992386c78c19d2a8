// The configuration file: eighteen length-prefixed text records, one after
// the other, with no header and no terminator. Read whole or not at all.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ferrule {

inline constexpr size_t kConfigRecordCount = 18;
// A real configuration is a few dozen bytes; anything past this is not one.
inline constexpr size_t kMaxConfigFileBytes = 1 << 20;
using ConfigRecords = std::array<std::string, kConfigRecordCount>;

// Record positions (0-based): shutter, mode, steps, trigger, SYNC, timer
// selection, the closed time's five components, the exposure time's five,
// the free-run option and the repeat number.
inline constexpr size_t kRecordShutter = 0;
inline constexpr size_t kRecordShutterMode = 1;
inline constexpr size_t kRecordNdSteps = 2;
inline constexpr size_t kRecordTriggerMode = 3;
inline constexpr size_t kRecordSyncLevel = 4;
inline constexpr size_t kRecordTimerSelect = 5;
inline constexpr size_t kRecordClosedTime = 6;
inline constexpr size_t kRecordExposureTime = 11;
inline constexpr size_t kRecordFreeRunOption = 16;
inline constexpr size_t kRecordRepeatCount = 17;

// One record: a one-byte length up to 254, else 0xFF and a 16-bit length up
// to 65533, else 0xFF 0xFFFF and a 32-bit length; little-endian; then the
// bytes of the text.
void AppendConfigRecord(std::string& file, std::string_view text);
std::string EncodeConfigFile(const ConfigRecords& records);

// The eighteen records, or nothing when the file ends before the last one is
// complete. Besides the three forms above, a record of 16-bit characters
// (0xFF 0xFFFE, a second length, then two bytes a character) is read and
// turned into UTF-8. No length is trusted beyond the bytes actually there,
// and bytes after the eighteenth record are ignored.
std::optional<ConfigRecords> DecodeConfigFile(std::string_view file);

}  // namespace ferrule
