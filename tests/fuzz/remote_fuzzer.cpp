// libFuzzer target: arbitrary bytes from a socket client through the command
// language and the JSON replies.
#include <cstdlib>

#include "remote_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!RunRemoteInput(data, size)) {
        std::abort();
    }
    return 0;
}
