// libFuzzer target: arbitrary files through the configuration codec. Run
// with -malloc_limit_mb so that a length trusted beyond the file is a finding.
#include <cstdlib>

#include "config_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!RunConfigInput(data, size)) {
        std::abort();
    }
    return 0;
}
