// Whole files read and written safely: a read takes regular files only and
// never more than a limit, and a write replaces the file in one rename or
// leaves it as it was. Failures carry the operating system's reason.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ferrule {

// The contents of the regular file at `path`, at most maxBytes of them. A
// FIFO, a device or a directory is refused without waiting on it (the file
// is opened without blocking and checked before anything is read); so is a
// file larger than maxBytes. On failure, *error says why in plain words.
std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes,
                                           std::string* error);

// Replaces the contents of the file at `path` with `bytes`: written and
// synced to a temporary file beside it, which is renamed over it only when
// every byte is on disk. A symlink is followed, so its target is replaced and
// the link stays; an existing file keeps its permissions. On any failure the
// old file is left byte for byte, the temporary file is removed, and *error
// says why.
bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string* error);

// The file a path finally names, following symlinks (a relative link from
// the folder it is in); the path itself when it is not a link. The target
// need not exist.
std::string FollowSymlinks(const std::string& path);

}  // namespace ferrule
