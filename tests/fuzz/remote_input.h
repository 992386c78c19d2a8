// One arbitrary stream of socket bytes through the command language: cut
// into lines as the server cuts them, each parsed, and each answer checked
// to be one line of valid JSON (or the identification's one line of text).
// Shared by the fuzz target and the replay test.
#pragma once

#include <cstddef>
#include <cstdint>

// False when a line's reply is not one line of valid UTF-8 JSON text.
bool RunRemoteInput(const uint8_t* data, size_t size);
