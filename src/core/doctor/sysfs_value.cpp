#include "core/doctor/sysfs_value.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "core/common/bounded_file_read.h"

namespace ferrule {
namespace {

constexpr std::size_t kLargestValue = 4096;

std::string Trimmed(const std::string& text) {
    const std::string line = text.substr(0, text.find('\n'));
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

SysfsValue ReadSysfsValue(const std::filesystem::path& file) {
    SysfsValue value;
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        value.missing = errno == ENOENT || errno == ENOTDIR;
        value.problem = std::strerror(errno);
        return value;
    }
    std::string error;
    if (auto text = ReadRegularFile(file.string(), kLargestValue, &error)) {
        value.text = Trimmed(*text);
    } else {
        value.problem = error;
    }
    return value;
}

std::string NotRead(const std::filesystem::path& file, const SysfsValue& value) {
    return "could not read " + file.string() + ": " +
           (value.missing ? std::string("it does not exist") : value.problem);
}

}  // namespace ferrule
