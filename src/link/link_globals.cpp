#include "link/link_globals.h"

int g_bLinkReady = 0;
std::atomic<int> g_bBlinkRun{0};
std::atomic<int> g_nBlinkSpeed{0};
