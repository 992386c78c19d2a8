// Which D2XX library the program loads: a library named on the command line,
// one of the bundled back ends by its short name, or the default list.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ferrule {

// The vendor's D2XX library, loaded through the usual library search.
inline constexpr const char* kVendorDriver = "libftd2xx.so";

// The folders that may hold the bundled driver libraries of the program at
// `executable`, in search order: its own folder (a build tree keeps them
// there) and the private library folder of an installed program.
std::vector<std::filesystem::path> BundledDriverFolders(const std::filesystem::path& executable);

// The file a bundled short name stands for ("sim", "tty"); empty otherwise.
std::string BundledDriverFile(const std::string& name);

// What --driver VALUE loads: for a bundled short name, the library in the
// first folder that has it (or where the first folder would hold it, so a
// failed load names a real place); anything else is a path or library name
// and is used as given.
std::string ResolveDriver(const std::string& value,
                          const std::vector<std::filesystem::path>& folders);

// The libraries tried in order when none is named: the vendor's, then the
// bundled back end over the kernel's serial driver.
std::vector<std::string> DefaultDrivers(const std::vector<std::filesystem::path>& folders);

}  // namespace ferrule
