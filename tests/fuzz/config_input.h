// One arbitrary file through the configuration codec: a file it reads must
// write out again and read back to the same records. Shared by the fuzz
// target and the replay test.
#pragma once

#include <cstddef>
#include <cstdint>

// False when a file that was read did not survive writing and reading again.
bool RunConfigInput(const uint8_t* data, size_t size);
