// Feeds one arbitrary input to the panel's reply decoder: the first bytes set
// the decoder state and the free-run texts, the rest arrive as reply bytes in
// reads of varying size. Shared by the fuzz target and the replay test.
#pragma once

#include <cstddef>
#include <cstdint>

class CShutterPanelDlg;

void RunDecoderInput(CShutterPanelDlg& panel, const uint8_t* data, size_t size);
