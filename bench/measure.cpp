#include "measure.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <ctime>
#include <fstream>
#include <string>

namespace bench {

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

long StatusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(field) + ":";
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(prefix, 0) == 0) {
            return std::stol(line.substr(prefix.size()));
        }
    }
    return 0;
}

void RunEventLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double CoreShareOver(double seconds) {
    QElapsedTimer wall;
    wall.start();
    const double cpu = CpuSeconds();
    RunEventLoopFor(static_cast<int>(seconds * 1000));
    return (CpuSeconds() - cpu) / (static_cast<double>(wall.nsecsElapsed()) * 1e-9);
}

}  // namespace bench
