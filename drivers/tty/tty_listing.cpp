#include "tty_listing.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/link/ftty_open_error.h"
#include "tty_enumeration.h"
#include "tty_environment.h"
#include "tty_handles.h"
#include "tty_open_error.h"
#include "tty_status.h"

namespace ftty {
namespace {

// Listed texts fit the caller's 64-byte buffers.
constexpr size_t kListedChars = 63;

std::vector<TtyDevice> Devices() {
    return EnumerateDevices(SysfsRoot(), DevRoot());
}

void CopyListed(const std::string& text, char* buffer) {
    const size_t n = std::min(text.size(), kListedChars);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

const std::string& Listed(const TtyDevice& device, bool bySerial) {
    return bySerial ? device.serial : device.description;
}

}  // namespace

FT_STATUS ListDevices(void* arg1, void* arg2, DWORD flags) {
    const DWORD openBy = flags & ~(FT_LIST_BY_INDEX | FT_LIST_ALL);
    const bool textFlags = openBy == FT_OPEN_BY_DESCRIPTION || openBy == FT_OPEN_BY_SERIAL_NUMBER;
    const bool bySerial = openBy == FT_OPEN_BY_SERIAL_NUMBER;

    if (flags == FT_LIST_NUMBER_ONLY) {
        if (arg1 == nullptr) {
            return kInvalidParameter;
        }
        *static_cast<DWORD*>(arg1) = static_cast<DWORD>(Devices().size());
        return FT_OK;
    }
    if (textFlags && (flags & ~openBy) == FT_LIST_BY_INDEX) {
        // The index travels in the pointer argument itself.
        const auto index = static_cast<DWORD>(reinterpret_cast<uintptr_t>(arg1));
        const auto devices = Devices();
        if (index >= devices.size()) {
            return FT_DEVICE_NOT_FOUND;
        }
        if (arg2 == nullptr) {
            return kInvalidParameter;
        }
        CopyListed(Listed(devices[index], bySerial), static_cast<char*>(arg2));
        return FT_OK;
    }
    if (textFlags && (flags & ~openBy) == FT_LIST_ALL) {
        if (arg1 == nullptr || arg2 == nullptr) {
            return kInvalidParameter;
        }
        // A table of buffers ended by a null entry; no buffer past it is written.
        const auto devices = Devices();
        char** table = static_cast<char**>(arg1);
        for (size_t i = 0; i < devices.size() && table[i] != nullptr; ++i) {
            CopyListed(Listed(devices[i], bySerial), table[i]);
        }
        *static_cast<DWORD*>(arg2) = static_cast<DWORD>(devices.size());
        return FT_OK;
    }
    return kInvalidParameter;
}

FT_STATUS OpenByIndex(int index, FT_HANDLE* handle) {
    if (handle == nullptr) {
        return FailOpen(FTTY_OPEN_ERROR_OTHER, "no place for the handle was given",
                        kInvalidParameter);
    }
    const auto devices = Devices();
    if (index < 0 || static_cast<size_t>(index) >= devices.size()) {
        return FailOpen(FTTY_OPEN_ERROR_NOT_FOUND,
                        "there is no device number " + std::to_string(index) + " (" +
                            std::to_string(devices.size()) + " attached)",
                        FT_DEVICE_NOT_FOUND);
    }
    return TheHandles().Open(devices[static_cast<size_t>(index)], handle);
}

FT_STATUS OpenByText(const void* text, DWORD flags, FT_HANDLE* handle) {
    if (flags != FT_OPEN_BY_DESCRIPTION && flags != FT_OPEN_BY_SERIAL_NUMBER) {
        return FailOpen(FTTY_OPEN_ERROR_OTHER,
                        "a device is opened by its description or its serial number only",
                        kInvalidParameter);
    }
    if (handle == nullptr) {
        return FailOpen(FTTY_OPEN_ERROR_OTHER, "no place for the handle was given",
                        kInvalidParameter);
    }
    const char* what = flags == FT_OPEN_BY_SERIAL_NUMBER ? "serial number" : "description";
    if (text == nullptr) {
        return FailOpen(FTTY_OPEN_ERROR_NOT_FOUND, std::string("no ") + what + " was given",
                        FT_DEVICE_NOT_FOUND);
    }
    const std::string wanted(static_cast<const char*>(text));
    // Matched exactly, or as listed when the text is longer than a listing
    // holds; of several devices with the same text the first opens.
    for (const TtyDevice& device : Devices()) {
        const std::string& text = Listed(device, flags == FT_OPEN_BY_SERIAL_NUMBER);
        if (text == wanted ||
            (text.size() > kListedChars && text.substr(0, kListedChars) == wanted)) {
            return TheHandles().Open(device, handle);
        }
    }
    return FailOpen(FTTY_OPEN_ERROR_NOT_FOUND,
                    std::string("no attached device has the ") + what + " \"" + wanted + "\"",
                    FT_DEVICE_NOT_FOUND);
}

}  // namespace ftty
