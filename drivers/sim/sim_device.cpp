#include "sim_device.h"

#include <utility>

namespace fsim {

Device::Device(std::string description, std::string serial)
    : m_description(std::move(description)),
      m_serial(std::move(serial)),
      m_model([this](uint64_t timeUs, uint8_t byte) { Emit(timeUs, byte); }) {}

void Device::Write(const uint8_t* bytes, size_t count, uint64_t nowUs) {
    m_written.insert(m_written.end(), bytes, bytes + count);
    if (m_written.size() > kWrittenCapacity) {
        m_written.erase(m_written.begin(),
                        m_written.begin() + (m_written.size() - kWrittenCapacity));
    }
    m_model.Receive(bytes, count, nowUs);
}

void Device::Inject(const uint8_t* bytes, size_t count, uint64_t nowUs) {
    RunTo(nowUs);
    for (size_t i = 0; i < count; ++i) {
        m_link.Send(bytes[i], nowUs);
    }
}

void Device::Emit(uint64_t timeUs, uint8_t byte) {
    if (m_silent || m_link.Backlog(timeUs) >= kTransmitBuffer) {
        return;
    }
    m_link.Send(byte, timeUs);
}

}  // namespace fsim
