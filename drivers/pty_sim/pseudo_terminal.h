// The pseudo-terminal the simulated controller sits behind: the program's
// side is the slave, a serial port like /dev/ttyUSB0; the controller reads
// and writes the master. Both sides are raw, so no byte is echoed, translated
// or taken as a control character whatever the program sets.
#pragma once

#include <string>

namespace ptysim {

class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Creates the pair; on failure returns false and sets *error.
    bool Create(std::string* error);
    int Master() const { return m_master; }
    const std::string& SlavePath() const { return m_slavePath; }
    // The controller's own hold on the slave. While it is held, the program
    // can close and reopen the port as often as it likes (the controller
    // stays on); once released, the program closing the port hangs up the
    // master.
    void ReleaseSlave();
    bool HoldsSlave() const { return m_slave >= 0; }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

}  // namespace ptysim
