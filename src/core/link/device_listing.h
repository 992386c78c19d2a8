// A table of text buffers for listing the attached devices' descriptions or
// serial numbers in one driver call: one 64-byte buffer per device and a
// terminating null entry. Room for 64 entries, so at most 63 devices are
// listed; the rest are left out rather than written past the table.
#pragma once

#include <array>
#include <string>

#include "core/link/d2xx_types.h"

namespace ferrule {

class DeviceListing {
public:
    static constexpr int kMaxDevices = 63;
    static constexpr int kBufferSize = 64;

    // Buffers for count devices (at most kMaxDevices), each empty.
    explicit DeviceListing(DWORD count);

    int Size() const { return m_size; }
    void* Table() { return m_table.data(); }
    char* Buffer(int index) { return m_buffers[static_cast<size_t>(index)].data(); }
    // The text of a buffer, never reading past its end.
    std::string Text(int index) const;

private:
    int m_size;
    std::array<std::array<char, kBufferSize>, kMaxDevices> m_buffers{};
    std::array<char*, kMaxDevices + 1> m_table{};
};

}  // namespace ferrule
