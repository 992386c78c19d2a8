#include "controller_model/controller_replies.h"

namespace ferrule {

namespace {

constexpr uint8_t kReserved = 0x00;

}  // namespace

std::array<uint8_t, kStatusReplySize> ControllerStatusReply(const ControllerConfig& config,
                                                            bool shutterOpen) {
    std::array<uint8_t, kStatusReplySize> reply{};
    size_t at = 0;
    auto put = [&](uint8_t byte) { reply[at++] = byte; };
    const bool nd = config.mode == controller::kModeNd;

    put(controller::kStatus);
    put(shutterOpen ? controller::kOpen : controller::kClose);
    put(config.mode);
    if (nd) {
        put(config.ndSteps);
    }
    put(kReserved);
    put(config.trigger);
    put(config.sync);
    for (uint8_t byte : config.closed) {
        put(byte);
    }
    for (uint8_t byte : config.exposure) {
        put(byte);
    }
    put(config.runOption);
    put(static_cast<uint8_t>(config.repeat >> 8));
    put(static_cast<uint8_t>(config.repeat & 0xFF));
    if (!nd) {
        put(kReserved);
    }
    return reply;
}

}  // namespace ferrule
