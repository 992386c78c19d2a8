#include "core/common/profile_location.h"

#include <cstdlib>
#include <filesystem>

namespace ferrule {

std::string DefaultProfileLocation() {
    std::filesystem::path folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
        folder = config;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        folder = std::filesystem::path(home) / ".config";
    } else {
        folder = ".";
    }
    return (folder / "ferrule.INI").string();
}

}  // namespace ferrule
