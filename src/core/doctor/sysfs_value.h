// One small file of a system tree (a sysfs attribute, a /proc entry), read
// so that a missing file and one that cannot be read are told apart.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace ferrule {

struct SysfsValue {
    std::optional<std::string> text;  // the first line, trimmed; set when read
    bool missing = false;             // the file does not exist
    std::string problem;              // why it could not be read, when it exists
};

SysfsValue ReadSysfsValue(const std::filesystem::path& file);

// "could not read <file>: <problem>" for a value that was not read.
std::string NotRead(const std::filesystem::path& file, const SysfsValue& value);

}  // namespace ferrule
