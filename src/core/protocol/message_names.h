// What a message to the controller is, in the words of the panel's own
// controls: "Status", "Neutral Density, 20 steps", "closed time
// 00:00:01:000:0", "repeat number 3". For logs, records and the command line.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace ferrule {

std::string DescribeMessage(std::span<const uint8_t> bytes);

}  // namespace ferrule
