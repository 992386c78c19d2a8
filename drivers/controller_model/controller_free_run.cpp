#include "controller_model/controller_free_run.h"

#include <algorithm>

#include "core/protocol/message_catalogue.h"

namespace ferrule {

void ControllerFreeRun::Start(uint64_t nowUs, const Plan& plan, bool shutterOpen) {
    m_plan = plan;
    m_plan.transitionUs = std::max(plan.transitionUs, kMinMovementUs);
    m_cyclesDone = 0;
    m_closingFirst = shutterOpen;
    if (shutterOpen) {
        m_next = Scheduled{nowUs, Event::Close};
    } else {
        ScheduleCycle(nowUs);
    }
}

std::optional<uint64_t> ControllerFreeRun::NextEventUs() const {
    if (!m_next) {
        return std::nullopt;
    }
    return m_next->timeUs;
}

ControllerFreeRun::Event ControllerFreeRun::Pop() {
    const Scheduled now = *m_next;
    switch (now.event) {
        case Event::Open:
            m_next = Scheduled{now.timeUs + m_plan.transitionUs + m_plan.exposureUs, Event::Close};
            break;
        case Event::Close:
            if (m_closingFirst) {
                m_closingFirst = false;
            } else {
                ++m_cyclesDone;
            }
            ScheduleCycle(now.timeUs + m_plan.transitionUs);
            break;
        case Event::End:
            m_next.reset();
            break;
    }
    return now.event;
}

void ControllerFreeRun::ScheduleCycle(uint64_t startUs) {
    if (AllDone()) {
        m_next = Scheduled{startUs, Event::End};
    } else {
        m_next = Scheduled{startUs + m_plan.closedUs, Event::Open};
    }
}

bool ControllerFreeRun::AllDone() const {
    return m_plan.repeat != controller::kContinuous && m_cyclesDone >= m_plan.repeat;
}

}  // namespace ferrule
