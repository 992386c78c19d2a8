// The reason the calling thread's last open failed, kept for
// ftty_last_open_error. Every FT_Open and FT_OpenEx clears it first; each way
// an open can fail records its own reason.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/link/d2xx_types.h"

namespace ftty {

void ClearOpenError();
// Records the reason and returns status, so that a failing path can return
// what it records.
FT_STATUS FailOpen(uint32_t category, const std::string& text, FT_STATUS status);
// Records why opening or claiming node failed with this errno: a missing node
// is FT_DEVICE_NOT_FOUND, anything else FT_DEVICE_NOT_OPENED.
FT_STATUS FailOpen(const std::filesystem::path& node, int error);
// The category; copies the text as ftty_last_open_error does.
uint32_t CopyOpenError(char* text, uint32_t capacity);

}  // namespace ftty
