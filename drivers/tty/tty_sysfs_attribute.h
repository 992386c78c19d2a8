// Reading and writing one sysfs attribute file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace ftty {

// The first line of a regular file, without its line end; nothing when the
// file is missing, unreadable or not a regular file (a fake tree may hold
// anything, and a FIFO must not block the caller).
std::optional<std::string> ReadAttribute(const std::filesystem::path& file);
// Writes text to an existing regular file; false when it cannot.
bool WriteAttribute(const std::filesystem::path& file, const std::string& text);

}  // namespace ftty
