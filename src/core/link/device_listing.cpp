#include "core/link/device_listing.h"

#include <algorithm>
#include <cstring>

namespace ferrule {

DeviceListing::DeviceListing(DWORD count)
    : m_size(static_cast<int>(std::min<DWORD>(count, kMaxDevices))) {
    for (int i = 0; i < m_size; ++i) {
        m_table[static_cast<size_t>(i)] = m_buffers[static_cast<size_t>(i)].data();
    }
}

std::string DeviceListing::Text(int index) const {
    const auto& buffer = m_buffers[static_cast<size_t>(index)];
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

}  // namespace ferrule
