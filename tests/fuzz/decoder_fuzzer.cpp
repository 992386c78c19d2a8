// libFuzzer target: arbitrary byte streams and decoder states through the
// panel's reply decoder.
#include <QApplication>
#include <cstdlib>

#include "decoder_input.h"
#include "fuzz_panel.h"

namespace {
FuzzPanel* panel = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Never destroyed: Qt's exit-time teardown of a static application runs
    // after its input devices are gone, and crashes the run it ends.
    static QApplication* app = new QApplication(*argc, *argv);
    (void)app;
    panel = new FuzzPanel;
    panel->show();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RunDecoderInput(*panel, data, size);
    return 0;
}
