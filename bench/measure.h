// What the benches measure of their own process: CPU time, memory, and the
// CPU share of one core while the event loop runs.
#pragma once

namespace bench {

// CPU seconds this process has used so far, all threads.
double CpuSeconds();
// A KiB figure of /proc/self/status ("VmRSS", "VmHWM"); 0 when absent.
long StatusKiB(const char* field);
inline long ResidentKiB() {
    return StatusKiB("VmRSS");
}
// Runs the event loop for ms milliseconds of wall time.
void RunEventLoopFor(int ms);
// Runs the event loop for seconds of wall time; the CPU share of one core
// meanwhile (1.0 is a whole core).
double CoreShareOver(double seconds);

}  // namespace bench
