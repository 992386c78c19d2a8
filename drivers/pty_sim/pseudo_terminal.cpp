#include "pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ptysim {
namespace {

bool MakeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return false;
    }
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

}  // namespace

PseudoTerminal::~PseudoTerminal() {
    ReleaseSlave();
    if (m_master >= 0) {
        close(m_master);
    }
}

bool PseudoTerminal::Create(std::string* error) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        *error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    char path[256] = {};
    if (ptsname_r(m_master, path, sizeof path) != 0) {
        *error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    m_slavePath = path;
    m_slave = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slave < 0 || !MakeRaw(m_slave) || !MakeRaw(m_master)) {
        *error = "cannot set up " + m_slavePath + ": " + std::strerror(errno);
        return false;
    }
    const int flags = fcntl(m_master, F_GETFL);
    if (flags < 0 || fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        *error = std::string("cannot set up the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    return true;
}

void PseudoTerminal::ReleaseSlave() {
    if (m_slave >= 0) {
        close(m_slave);
        m_slave = -1;
    }
}

}  // namespace ptysim
