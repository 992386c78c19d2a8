// Marks the functions this library exports; everything else stays hidden.
#pragma once

#define FTTY_EXPORT extern "C" __attribute__((visibility("default")))
