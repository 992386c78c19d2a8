#include "core/protocol/apply_upload.h"

#include "core/common/leading_integer.h"
#include "core/protocol/free_run_frames.h"
#include "core/timing/timer_frame.h"

namespace ferrule {

namespace {

namespace wire = controller;

// One more than the message's length: its echo and the controller's answer.
int Answered(const wire::Message& message) {
    return static_cast<int>(message.size) + 1;
}

}  // namespace

controller::Message UploadRepeatFrame(std::string_view repeatCount) {
    if (repeatCount == "Continuous") {
        return ContinuousRepeatFrame();
    }
    return RepeatCountFrame(LeadingInteger(repeatCount));
}

UploadStep ApplyUploadStep(int received, const UploadSettings& s) {
    UploadStep step;
    step.number = received <= 2    ? 1
                  : received <= 5  ? 2
                  : received <= 8  ? 3
                  : received <= 11 ? 4
                  : received <= 18 ? 5
                  : received <= 25 ? 6
                                   : 7;
    if (received <= 2) {
        if (s.shutterMode == -1) {
            return step;
        }
        step.message = s.shutterMode == 2 ? wire::NdModeMessage(s.ndSteps)
                                          : wire::CommandMessage(wire::ModeCode(s.shutterMode));
    } else if (received <= 5) {
        step.message = wire::FunctionMessage(wire::TriggerCode(s.triggerMode));
    } else if (received <= 8) {
        step.message = wire::FunctionMessage(wire::SyncCode(s.syncLevel));
    } else if (received <= 18) {
        const bool closed = received <= 11;
        const TimeText& time = closed ? s.closed : s.exposure;
        step.message = TimerFrame(closed ? wire::kClosedTimer : wire::kExposureTimer, time);
        if (!step.message) {
            step.unsendable =
                DescribeTimerFault(closed ? "closed" : "exposure", *CheckTimerTime(time));
            return step;
        }
    } else if (received <= 25) {
        step.message = UploadRepeatFrame(s.repeatCount);
    } else {
        step.message = RunOptionFrame(s.freeRunOption);
        step.last = true;
        return step;
    }
    step.nextAfter = Answered(*step.message);
    return step;
}

}  // namespace ferrule
