#include "core/common/bounded_file_read.h"
#include "core/common/unique_descriptor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace ferrule {
namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

}  // namespace

std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes,
                                           std::string* error) {
    UniqueDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.Get() < 0) {
        *error = Reason(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) {
        *error = Reason(errno);
        return std::nullopt;
    }
    if (S_ISDIR(info.st_mode)) {
        *error = Reason(EISDIR);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = "It is not a regular file.";
        return std::nullopt;
    }
    const std::string tooLarge =
        "It is larger than " + std::to_string(maxBytes) + " bytes, too large for this file.";
    if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        *error = tooLarge;
        return std::nullopt;
    }
    // Read up to one byte past the limit: a file that grows meanwhile is
    // refused rather than cut short.
    std::string contents(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t got = 0;
    for (;;) {
        if (got == contents.size()) {
            if (contents.size() > maxBytes) {
                *error = tooLarge;
                return std::nullopt;
            }
            contents.resize(std::min(maxBytes + 1, contents.size() * 2 + 1));
        }
        const ssize_t n = ::read(file.Get(), contents.data() + got, contents.size() - got);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            *error = Reason(errno);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    contents.resize(got);
    return contents;
}

}  // namespace ferrule
