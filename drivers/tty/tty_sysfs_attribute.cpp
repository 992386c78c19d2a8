#include "tty_sysfs_attribute.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ftty {
namespace {

// sysfs hands out at most a page per attribute.
constexpr size_t kMaxAttribute = 4096;

// Opens a regular file without blocking on whatever else the path may be.
int OpenRegular(const std::filesystem::path& file, int mode) {
    int fd = open(file.c_str(), mode | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

std::optional<std::string> ReadAttribute(const std::filesystem::path& file) {
    int fd = OpenRegular(file, O_RDONLY);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string text(kMaxAttribute, '\0');
    size_t size = 0;
    while (size < text.size()) {
        ssize_t n = read(fd, text.data() + size, text.size() - size);
        if (n <= 0) {
            break;
        }
        size += static_cast<size_t>(n);
    }
    close(fd);
    text.resize(size);
    text = text.substr(0, text.find_first_of("\r\n"));
    text = text.substr(0, text.find('\0'));
    return text;
}

bool WriteAttribute(const std::filesystem::path& file, const std::string& text) {
    int fd = OpenRegular(file, O_WRONLY | O_TRUNC);
    if (fd < 0) {
        return false;
    }
    bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return written;
}

}  // namespace ftty
