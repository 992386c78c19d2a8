// The open handles of this library. A handle is a number, never reused, so
// that a stale handle is recognised as invalid instead of reaching another
// port; every call finds its port here and holds it for the call's length.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "core/link/d2xx_types.h"
#include "tty_enumeration.h"
#include "tty_port.h"

namespace ftty {

class Handles {
public:
    Handles() = default;
    // The library is being unloaded, or the process is ending: every port
    // still open is shut, so that other programs may open it at once.
    ~Handles();
    Handles(const Handles&) = delete;
    Handles& operator=(const Handles&) = delete;

    // Opens a listed device. A device this library holds open already is
    // FT_DEVICE_NOT_OPENED, as the vendor's library answers.
    FT_STATUS Open(const TtyDevice& device, FT_HANDLE* handle);
    // The port behind a handle; null for an unknown or closed handle.
    std::shared_ptr<Port> Find(FT_HANDLE handle);
    // Forgets the handle and shuts its port; false for an unknown handle.
    bool Close(FT_HANDLE handle);

private:
    std::mutex m_mutex;
    std::map<uintptr_t, std::shared_ptr<Port>> m_ports;
    uintptr_t m_next = 0x1000;
};

// The one table of this library.
Handles& TheHandles();

}  // namespace ftty
