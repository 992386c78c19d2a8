#include "tty_handles.h"

#include <sys/stat.h>

#include "core/link/ftty_open_error.h"
#include "tty_open_error.h"
#include "tty_status.h"

namespace ftty {

Handles& TheHandles() {
    static Handles handles;
    return handles;
}

Handles::~Handles() {
    std::lock_guard lock(m_mutex);
    for (const auto& [value, port] : m_ports) {
        port->Shut();
    }
    m_ports.clear();
}

FT_STATUS Handles::Open(const TtyDevice& device, FT_HANDLE* handle) {
    if (handle == nullptr) {
        return kInvalidParameter;
    }
    // Held while opening, so that two threads cannot both open one device.
    std::lock_guard lock(m_mutex);
    struct stat info {};
    if (stat(device.node.c_str(), &info) == 0) {
        for (const auto& [value, port] : m_ports) {
            if (port->Device() == info.st_rdev) {
                return FailOpen(FTTY_OPEN_ERROR_BUSY,
                                device.node.string() + " is already open in this program",
                                FT_DEVICE_NOT_OPENED);
            }
        }
    }
    std::shared_ptr<Port> port;
    const FT_STATUS status = Port::Open(device.node, device.portDir, &port);
    if (status != FT_OK) {
        return status;
    }
    const uintptr_t value = m_next;
    m_next += 0x10;
    m_ports.emplace(value, std::move(port));
    *handle = reinterpret_cast<FT_HANDLE>(value);
    return FT_OK;
}

std::shared_ptr<Port> Handles::Find(FT_HANDLE handle) {
    std::lock_guard lock(m_mutex);
    const auto it = m_ports.find(reinterpret_cast<uintptr_t>(handle));
    return it == m_ports.end() ? nullptr : it->second;
}

bool Handles::Close(FT_HANDLE handle) {
    std::shared_ptr<Port> port;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_ports.find(reinterpret_cast<uintptr_t>(handle));
        if (it == m_ports.end()) {
            return false;
        }
        port = std::move(it->second);
        m_ports.erase(it);
    }
    // The descriptor closes when the last call still using the port returns.
    port->Shut();
    return true;
}

}  // namespace ftty
