#include "common/file_contents.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace ferrule {
namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    // Closes now; false (errno set) when the close reports an error, which on
    // some file systems is where a failed write shows.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::optional<std::string> ReadRegularFile(const std::string& path, std::size_t maxBytes,
                                           std::string* error) {
    Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
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

std::string FollowSymlinks(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path current = path;
    // As many links as the kernel follows; a loop ends here and fails later
    // with the system's own reason.
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(current, error))) {
            break;
        }
        fs::path target = fs::read_symlink(current, error);
        if (error) {
            break;
        }
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    return current.string();
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string* error) {
    namespace fs = std::filesystem;
    const fs::path target = FollowSymlinks(path);
    fs::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    Descriptor file(::mkstemp(temporary.data()));
    if (file.Get() < 0) {
        *error = Reason(errno);
        return false;
    }
    auto fail = [&](int cause) {
        ::unlink(temporary.c_str());
        *error = Reason(cause);
        return false;
    };
    // An existing file keeps its permissions; a new one gets what a plain
    // create would give it.
    struct stat existing {};
    mode_t mode = 0;
    if (::stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(file.Get(), mode) != 0 || !WriteAll(file.Get(), bytes) ||
        ::fsync(file.Get()) != 0 || !file.Close()) {
        return fail(errno);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        return fail(errno);
    }
    // The rename itself reaches the disk with the folder.
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) {
        ::fsync(dir.Get());
    }
    return true;
}

}  // namespace ferrule
