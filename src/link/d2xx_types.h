// Types and constants of the FTDI D2XX driver interface, as the program and
// the bundled driver libraries use them. Declared here from the public API
// description; every library the program loads exports these functions with
// C linkage.
#pragma once

#include <cstdint>

using FT_STATUS = uint32_t;
using DWORD = uint32_t;
using ULONG = uint32_t;
using UCHAR = uint8_t;
using USHORT = uint16_t;
using FT_HANDLE = void*;

inline constexpr FT_STATUS FT_OK = 0;
inline constexpr FT_STATUS FT_INVALID_HANDLE = 1;
inline constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
inline constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;
inline constexpr FT_STATUS FT_IO_ERROR = 4;

inline constexpr DWORD FT_LIST_NUMBER_ONLY = 0x80000000u;
inline constexpr DWORD FT_LIST_BY_INDEX = 0x40000000u;
inline constexpr DWORD FT_LIST_ALL = 0x20000000u;
inline constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
inline constexpr DWORD FT_OPEN_BY_DESCRIPTION = 2;
inline constexpr ULONG FT_PURGE_RX = 1;
inline constexpr ULONG FT_PURGE_TX = 2;

// Signatures of the fifteen entry points the program binds by name.
extern "C" {
using PFN_FT_Write = FT_STATUS (*)(FT_HANDLE, void*, DWORD, DWORD*);
using PFN_FT_Read = FT_STATUS (*)(FT_HANDLE, void*, DWORD, DWORD*);
using PFN_FT_Open = FT_STATUS (*)(int, FT_HANDLE*);
using PFN_FT_OpenEx = FT_STATUS (*)(void*, DWORD, FT_HANDLE*);
using PFN_FT_ListDevices = FT_STATUS (*)(void*, void*, DWORD);
using PFN_FT_Close = FT_STATUS (*)(FT_HANDLE);
using PFN_FT_ResetDevice = FT_STATUS (*)(FT_HANDLE);
using PFN_FT_Purge = FT_STATUS (*)(FT_HANDLE, ULONG);
using PFN_FT_SetTimeouts = FT_STATUS (*)(FT_HANDLE, ULONG, ULONG);
using PFN_FT_GetQueueStatus = FT_STATUS (*)(FT_HANDLE, DWORD*);
using PFN_FT_SetBaudRate = FT_STATUS (*)(FT_HANDLE, ULONG);
using PFN_FT_SetLatencyTimer = FT_STATUS (*)(FT_HANDLE, UCHAR);
using PFN_FT_SetUSBParameters = FT_STATUS (*)(FT_HANDLE, ULONG, ULONG);
using PFN_FT_SetDataCharacteristics = FT_STATUS (*)(FT_HANDLE, UCHAR, UCHAR, UCHAR);
using PFN_FT_SetFlowControl = FT_STATUS (*)(FT_HANDLE, USHORT, UCHAR, UCHAR);
}
