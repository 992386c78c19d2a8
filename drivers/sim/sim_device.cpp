#include "sim_device.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace fsim {

Device::Device(std::string description, std::string serial)
    : m_description(std::move(description)),
      m_serial(std::move(serial)),
      m_model([this](uint64_t timeUs, uint8_t byte) { Emit(timeUs, byte); }) {}

uint32_t Device::FeedRate() {
    static const uint32_t rate = [] {
        const char* text = std::getenv("FERRULE_SIM_FEED");
        long value = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
        return static_cast<uint32_t>(std::clamp<long>(value, 0, 1'000'000));
    }();
    return rate;
}

void Device::Write(const uint8_t* bytes, size_t count, uint64_t nowUs) {
    // The stream starts after the host's first message (the probe) has been
    // answered, so that opening works as without it.
    if (!open.feeding && count > 0 && FeedRate() > 0) {
        open.feeding = true;
        open.feedNextNs = (nowUs + 10'000) * 1000;
    }
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

void Device::Feed(uint64_t nowUs) {
    const uint64_t periodNs = 1'000'000'000ull / FeedRate();
    for (; open.feedNextNs <= nowUs * 1000; open.feedNextNs += periodNs) {
        Emit(open.feedNextNs / 1000, ferrule::controller::BlinkPatternByte(open.feedCounter++));
    }
}

void Device::Emit(uint64_t timeUs, uint8_t byte) {
    if (m_silent || m_link.Backlog(timeUs) >= kTransmitBuffer) {
        return;
    }
    m_link.Send(byte, timeUs);
}

}  // namespace fsim
