#include "core/remote/open_failure.h"

namespace ferrule::remote {

namespace {

constexpr const char* kNotFoundAdvice =
    " Check that the controller is plugged in, see 'ferrule-ctl list', and name it with "
    "--device or --index.";
constexpr const char* kBusyAdvice =
    " Another program holds it: close the panel or stop 'ferrule-ctl serve' that has it, or "
    "send the command through that server's socket.";
constexpr const char* kPermissionAdvice =
    " Add yourself to the dialout group ('sudo adduser $USER dialout', then log in again), or "
    "install the package's udev rule and replug the controller.";

}  // namespace

std::string DescribeOpenFailure(const D2xxApi& d2xx, FT_STATUS status, const std::string& device) {
    std::string reason;
    switch (d2xx.LastOpenError(&reason)) {
        case FTTY_OPEN_ERROR_NOT_FOUND:
            return "device not found: " + reason + "." + kNotFoundAdvice;
        case FTTY_OPEN_ERROR_PERMISSION:
            return "device not permitted: " + reason + "." + kPermissionAdvice;
        case FTTY_OPEN_ERROR_BUSY:
            return "device busy: " + reason + "." + kBusyAdvice;
        case FTTY_OPEN_ERROR_NOT_A_TERMINAL:
        case FTTY_OPEN_ERROR_OTHER:
            return "the device could not be opened: " + reason + ".";
        default:
            break;
    }
    if (status == FT_DEVICE_NOT_FOUND) {
        return "device not found: no device " + device + " is attached." + kNotFoundAdvice;
    }
    if (status == FT_DEVICE_NOT_OPENED) {
        return "device busy or not permitted: " + device + " is attached but could not be opened." +
               kBusyAdvice + " If no other program has it, check its permissions." +
               kPermissionAdvice;
    }
    return "the device " + device + " could not be opened (driver status " +
           std::to_string(status) + ").";
}

}  // namespace ferrule::remote
