#include "core/protocol/free_run_frames.h"

namespace ferrule {

controller::Message RepeatCountFrame(int repeat) {
    const int high = repeat / 256;
    const int low = repeat - 256 * high;
    return {{controller::kFunction, controller::kRepeat, static_cast<uint8_t>(high & 0xFF),
             static_cast<uint8_t>(low & 0xFF)},
            4};
}

controller::Message ContinuousRepeatFrame() {
    return RepeatCountFrame(controller::kContinuous);
}

controller::Message RunOptionFrame(int option) {
    return controller::FunctionMessage(controller::RunOptionCode(option));
}

}  // namespace ferrule
