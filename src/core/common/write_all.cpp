#include "core/common/write_all.h"

#include <unistd.h>

#include <cerrno>

namespace ferrule {

namespace {

// writeSome(data, size, done) writes some of what is left after done bytes.
template <typename WriteSome>
bool WriteWhole(std::string_view bytes, int* error, WriteSome writeSome) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = writeSome(bytes.data() + done, bytes.size() - done, done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            *error = n < 0 ? errno : EIO;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool WriteAll(int fd, std::string_view bytes, int* error) {
    return WriteWhole(bytes, error, [fd](const char* data, size_t size, size_t) {
        return ::write(fd, data, size);
    });
}

bool WriteAllAt(int fd, std::string_view bytes, off_t offset, int* error) {
    return WriteWhole(bytes, error, [fd, offset](const char* data, size_t size, size_t done) {
        return ::pwrite(fd, data, size, offset + static_cast<off_t>(done));
    });
}

}  // namespace ferrule
