// Writing a whole piece to a descriptor: short and interrupted writes go on
// where they stopped. False with the error otherwise (EIO for a write that
// wrote nothing).
#pragma once

#include <sys/types.h>

#include <string_view>

namespace ferrule {

// At the descriptor's position, which moves past the piece.
bool WriteAll(int fd, std::string_view bytes, int* error);
// At offset, leaving the descriptor's position as it was.
bool WriteAllAt(int fd, std::string_view bytes, off_t offset, int* error);

}  // namespace ferrule
