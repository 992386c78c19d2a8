// The fifteen D2XX entry points the program binds by name, in the order it
// binds them: the one list from which the function types, the program's
// table, its binding, and the declarations of the bundled libraries' exports
// are all made. FERRULE_D2XX_ENTRY_POINTS(X) calls X(name, parameters) for
// each, the parameters in parentheses; every one returns FT_STATUS.
#pragma once

#include "core/link/d2xx_types.h"

#define FERRULE_D2XX_ENTRY_POINTS(X)                               \
    X(FT_Write, (FT_HANDLE, void*, DWORD, DWORD*))                 \
    X(FT_Read, (FT_HANDLE, void*, DWORD, DWORD*))                  \
    X(FT_Open, (int, FT_HANDLE*))                                  \
    X(FT_OpenEx, (void*, DWORD, FT_HANDLE*))                       \
    X(FT_ListDevices, (void*, void*, DWORD))                       \
    X(FT_Close, (FT_HANDLE))                                       \
    X(FT_ResetDevice, (FT_HANDLE))                                 \
    X(FT_Purge, (FT_HANDLE, ULONG))                                \
    X(FT_SetTimeouts, (FT_HANDLE, ULONG, ULONG))                   \
    X(FT_GetQueueStatus, (FT_HANDLE, DWORD*))                      \
    X(FT_SetBaudRate, (FT_HANDLE, ULONG))                          \
    X(FT_SetLatencyTimer, (FT_HANDLE, UCHAR))                      \
    X(FT_SetUSBParameters, (FT_HANDLE, ULONG, ULONG))              \
    X(FT_SetDataCharacteristics, (FT_HANDLE, UCHAR, UCHAR, UCHAR)) \
    X(FT_SetFlowControl, (FT_HANDLE, USHORT, UCHAR, UCHAR))

// PFN_FT_Write and so on: a pointer to each entry point.
extern "C" {
#define FERRULE_D2XX_POINTER_TYPE(name, parameters) using PFN_##name = FT_STATUS(*) parameters;
FERRULE_D2XX_ENTRY_POINTS(FERRULE_D2XX_POINTER_TYPE)
#undef FERRULE_D2XX_POINTER_TYPE
}

// Declares every entry point as an exported C function, for a library that
// defines them: its definitions must then match the list.
#define FERRULE_D2XX_DECLARE_EXPORT(name, parameters) \
    extern "C" __attribute__((visibility("default"))) FT_STATUS name parameters;
#define FERRULE_D2XX_DECLARE_EXPORTS() FERRULE_D2XX_ENTRY_POINTS(FERRULE_D2XX_DECLARE_EXPORT)

namespace ferrule {

// The table of bound entry points; a null member was not resolved.
struct D2xxTable {
#define FERRULE_D2XX_TABLE_MEMBER(name, parameters) PFN_##name name = nullptr;
    FERRULE_D2XX_ENTRY_POINTS(FERRULE_D2XX_TABLE_MEMBER)
#undef FERRULE_D2XX_TABLE_MEMBER
};

}  // namespace ferrule
