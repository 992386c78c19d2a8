// Whole files read safely: regular files only, never more than a limit, and
// nothing that waits. Failures carry the operating system's reason.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace ferrule {

// The contents of the regular file at `path`, at most maxBytes of them. A
// FIFO, a device or a directory is refused without waiting on it (the file
// is opened without blocking and checked before anything is read); so is a
// file larger than maxBytes. On failure, *error says why in plain words.
std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes,
                                           std::string* error);

}  // namespace ferrule
