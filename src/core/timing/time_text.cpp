#include "core/timing/time_text.h"

#include "core/common/leading_integer.h"

namespace ferrule {

int ComponentValue(const TimeText& time, std::size_t index) {
    return LeadingInteger(time.at(index));
}

}  // namespace ferrule
