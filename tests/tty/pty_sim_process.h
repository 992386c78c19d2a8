// One ferrule-sim process for a test: started with its options, ready once it
// has printed its terminal's path, stopped (SIGTERM) when the test ends.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class PtySimProcess {
public:
    explicit PtySimProcess(const std::vector<std::string>& options = {});
    ~PtySimProcess();
    PtySimProcess(const PtySimProcess&) = delete;
    PtySimProcess& operator=(const PtySimProcess&) = delete;

    // True once the simulator has printed its terminal's path.
    bool Ready() const { return !m_slavePath.empty(); }
    const std::string& SlavePath() const { return m_slavePath; }
    // Sends the signal and waits for the exit: the exit code, or -1 when the
    // process was ended by a signal or did not exit in time.
    int Stop(int signal);
    // Waits for the process to exit by itself (as Stop, without a signal).
    int WaitForExit();

private:
    pid_t m_pid = -1;
    int m_output = -1;
    std::string m_slavePath;
};
