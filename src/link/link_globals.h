// Process-wide link state shared by the panel, the poll and the link-test
// worker.
#pragma once

#include <atomic>

// 1 after a successful probe; enables the poll and the link test. GUI thread.
extern int g_bLinkReady;
// 1 while the link-test stream is to run. Read by the worker at every step.
extern std::atomic<int> g_bBlinkRun;
// Link-test speed 0-500, set when the user releases the Speed slider.
extern std::atomic<int> g_nBlinkSpeed;

// The status line after a successful probe. Commands are sent only while the
// status line reads exactly this.
inline constexpr const char* kLinkReadyStatus = "USB ready for communication.";
