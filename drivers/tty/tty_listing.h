// FT_ListDevices, FT_Open and FT_OpenEx over the devices found in sysfs,
// looked up afresh at every call as the vendor's library rescans its bus.
#pragma once

#include "core/link/d2xx_types.h"

namespace ftty {

FT_STATUS ListDevices(void* arg1, void* arg2, DWORD flags);
FT_STATUS OpenByIndex(int index, FT_HANDLE* handle);
FT_STATUS OpenByText(const void* text, DWORD flags, FT_HANDLE* handle);

}  // namespace ftty
