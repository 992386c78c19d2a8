// libFuzzer target: arbitrary byte streams and protocol states through the
// controller engine's reply decoder.
#include "decoder_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RunDecoderInput(data, size);
    return 0;
}
