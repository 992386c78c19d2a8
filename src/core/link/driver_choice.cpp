#include "core/link/driver_choice.h"

namespace ferrule {

std::vector<std::filesystem::path> BundledDriverFolders(const std::filesystem::path& executable) {
    std::filesystem::path own = executable.parent_path();
    // An installed program sits in <prefix>/bin and its drivers in a private
    // folder under <prefix>/lib.
    return {own, (own / FERRULE_PRIVATE_DRIVER_DIR).lexically_normal()};
}

std::string BundledDriverFile(const std::string& name) {
    if (name == "sim") {
        return "libfsim.so";
    }
    if (name == "tty") {
        return "libftty.so";
    }
    return {};
}

std::string ResolveDriver(const std::string& value,
                          const std::vector<std::filesystem::path>& folders) {
    std::string file = BundledDriverFile(value);
    if (file.empty()) {
        return value;
    }
    for (const std::filesystem::path& folder : folders) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(folder / file, ignored)) {
            return (folder / file).string();
        }
    }
    return folders.empty() ? file : (folders.front() / file).string();
}

std::vector<std::string> DefaultDrivers(const std::vector<std::filesystem::path>& folders) {
    return {kVendorDriver, ResolveDriver("tty", folders)};
}

}  // namespace ferrule
