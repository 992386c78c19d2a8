// Feeds one arbitrary input to the controller engine's reply decoder: the
// first bytes set the protocol state and the free-run texts, the rest arrive
// as reply bytes in reads of varying size. Shared by the fuzz target and the
// replay test; no window and no Qt are involved.
#pragma once

#include <cstddef>
#include <cstdint>

void RunDecoderInput(const uint8_t* data, size_t size);
