#include "paced_controller.h"

#include <algorithm>

namespace ptysim {

PacedController::PacedController()
    : m_model([this](uint64_t timeUs, uint8_t byte) { Emit(timeUs, byte); }) {}

void PacedController::HostBytes(const uint8_t* bytes, size_t count, uint64_t nowUs) {
    m_model.Receive(bytes, count, nowUs);
}

void PacedController::TakeArrived(uint64_t nowUs, std::vector<uint8_t>* out) {
    m_model.AdvanceTo(nowUs);
    const size_t arrived = m_link.Arrived(nowUs);
    if (arrived == 0) {
        return;
    }
    const size_t start = out->size();
    out->resize(start + arrived);
    out->resize(start + m_link.Take(out->data() + start, arrived, nowUs));
}

std::optional<uint64_t> PacedController::NextEventUs() const {
    std::optional<uint64_t> next = m_model.NextEventUs();
    if (m_link.Queued() > 0) {
        if (auto arrival = m_link.ArrivalUs(1)) {
            next = next ? std::min(*next, *arrival) : *arrival;
        }
    }
    return next;
}

void PacedController::Emit(uint64_t timeUs, uint8_t byte) {
    if (m_link.Backlog(timeUs) >= kTransmitBuffer) {
        return;
    }
    m_link.Send(byte, timeUs);
}

}  // namespace ptysim
