// A file descriptor closed on every way out of its scope.
#pragma once

#include <unistd.h>

namespace ferrule {

class UniqueDescriptor {
public:
    explicit UniqueDescriptor(int fd) : m_fd(fd) {}
    ~UniqueDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    UniqueDescriptor(const UniqueDescriptor&) = delete;
    UniqueDescriptor& operator=(const UniqueDescriptor&) = delete;

    int Get() const { return m_fd; }
    // Closes now, so that a late write error that close reports is seen;
    // false (errno set) when it does.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

}  // namespace ferrule
