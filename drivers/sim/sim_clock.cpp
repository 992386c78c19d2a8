#include "sim_clock.h"

namespace fsim {

void Clock::Restart() {
    m_manual = false;
    m_manualUs = 0;
    m_origin = std::chrono::steady_clock::now();
}

uint64_t Clock::NowUs() const {
    if (m_manual) {
        return m_manualUs;
    }
    const auto elapsed = std::chrono::steady_clock::now() - m_origin;
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
}

void Clock::SetManual(bool manual) {
    if (manual == m_manual) {
        return;
    }
    const uint64_t now = NowUs();
    m_manual = manual;
    m_manualUs = now;
    m_origin = std::chrono::steady_clock::now() - std::chrono::microseconds(now);
}

void Clock::AdvanceTo(uint64_t us) {
    if (m_manual && us > m_manualUs) {
        m_manualUs = us;
    }
}

}  // namespace fsim
