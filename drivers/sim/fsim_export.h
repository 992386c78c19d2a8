// Marks the functions this library exports; everything else stays hidden.
#pragma once

#define FSIM_EXPORT extern "C" __attribute__((visibility("default")))
