#include "tty_open_error.h"

#include <string.h>

#include <algorithm>
#include <cerrno>

#include "core/link/ftty_open_error.h"

namespace ftty {
namespace {

// Per thread, as errno is, and trivially destructible, so that it does not
// keep the library from being unloaded.
struct OpenError {
    uint32_t category = FTTY_OPEN_ERROR_NONE;
    char text[512] = {};
};
thread_local OpenError t_error;

std::string Describe(int error) {
    const char* text = strerrordesc_np(error);
    return text != nullptr ? text : "error " + std::to_string(error);
}

}  // namespace

void ClearOpenError() {
    t_error.category = FTTY_OPEN_ERROR_NONE;
    t_error.text[0] = '\0';
}

FT_STATUS FailOpen(uint32_t category, const std::string& text, FT_STATUS status) {
    t_error.category = category;
    const size_t n = std::min(text.size(), sizeof t_error.text - 1);
    text.copy(t_error.text, n);
    t_error.text[n] = '\0';
    return status;
}

FT_STATUS FailOpen(const std::filesystem::path& node, int error) {
    const std::string name = node.string();
    switch (error) {
        case ENOENT:
            return FailOpen(FTTY_OPEN_ERROR_NOT_FOUND, name + " does not exist",
                            FT_DEVICE_NOT_FOUND);
        case ENXIO:
        case ENODEV:
            return FailOpen(FTTY_OPEN_ERROR_NOT_FOUND, name + " has no device behind it",
                            FT_DEVICE_NOT_FOUND);
        case EACCES:
        case EPERM:
            return FailOpen(FTTY_OPEN_ERROR_PERMISSION,
                            name + " may not be opened by this user (permission denied)",
                            FT_DEVICE_NOT_OPENED);
        case EBUSY:
        case EWOULDBLOCK:
            return FailOpen(FTTY_OPEN_ERROR_BUSY, name + " is in use by another program",
                            FT_DEVICE_NOT_OPENED);
        case ENOTTY:
            return FailOpen(FTTY_OPEN_ERROR_NOT_A_TERMINAL, name + " is not a serial port",
                            FT_DEVICE_NOT_OPENED);
        default:
            return FailOpen(FTTY_OPEN_ERROR_OTHER, name + ": " + Describe(error),
                            FT_DEVICE_NOT_OPENED);
    }
}

uint32_t CopyOpenError(char* text, uint32_t capacity) {
    if (text != nullptr && capacity > 0) {
        const size_t n = std::min<size_t>(strlen(t_error.text), capacity - 1);
        memcpy(text, t_error.text, n);
        text[n] = '\0';
    }
    return t_error.category;
}

}  // namespace ftty
