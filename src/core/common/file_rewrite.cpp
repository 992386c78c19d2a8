#include "core/common/file_rewrite.h"
#include "core/common/unique_descriptor.h"
#include "core/common/write_all.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>

namespace ferrule {
namespace {

namespace fs = std::filesystem;

// As many links as the kernel itself follows before giving up with ELOOP.
constexpr int kMostLinks = 40;

RewriteResult Failure(int error) {
    return {RewriteOutcome::Failed, error};
}

// The file the path finally names, the links followed one at a time so that
// a link to a file not created yet still leads to where it will be.
std::optional<fs::path> FinalTarget(const std::string& path, int* error) {
    fs::path current = path;
    for (int hops = 0; hops <= kMostLinks; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(current, ec))) {
            return current;
        }
        fs::path next = fs::read_symlink(current, ec);
        if (ec) {
            *error = ec.value();
            return std::nullopt;
        }
        current = next.is_absolute() ? next : current.parent_path() / next;
    }
    *error = ELOOP;
    return std::nullopt;
}

bool ReadAll(const fs::path& path, std::string* content, int* error) {
    UniqueDescriptor in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0) {
        *error = errno;
        return false;
    }
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(in.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            *error = errno;
            return false;
        }
        if (n == 0) {
            return true;
        }
        content->append(buffer, static_cast<size_t>(n));
    }
}

// A new file beside the target, with a name no one else uses. An existing
// target's file starts readable by its owner only and gets the target's mode
// before any content goes in; a new one gets the usual mode for new files.
int CreateTemporary(const fs::path& target, bool targetExists, std::string* name, int* error) {
    static std::atomic<unsigned> counter{0};
    const mode_t mode = targetExists ? S_IRUSR | S_IWUSR : 0666;
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = target.string() + "." + std::to_string(::getpid()) + "-" +
                std::to_string(counter++) + ".tmp";
        int fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            *error = errno;
            return fd;
        }
    }
    *error = EEXIST;
    return -1;
}

// The folder refuses new files or renames, but the file itself may still be
// written where it is.
bool FolderRefuses(int error) {
    return error == EACCES || error == EPERM || error == EROFS || error == EBUSY;
}

enum class Replaced { Done, FolderRefused, Failed, Cancelled };

// Writes the producer's pieces one after the other into fd.
bool WriteProduced(int fd, const std::function<bool(const ContentSink&)>& produce, int* error,
                   bool* cancelled) {
    off_t offset = 0;
    bool failed = false;
    const ContentSink sink = [&](std::string_view piece) {
        if (failed) {
            return false;
        }
        if (!WriteAllAt(fd, piece, offset, error)) {
            failed = true;
            return false;
        }
        offset += static_cast<off_t>(piece.size());
        return true;
    };
    const bool finished = produce(sink);
    *cancelled = !finished && !failed;
    return finished && !failed;
}

Replaced ReplaceByRename(const fs::path& target, const struct stat* existing,
                         const std::function<bool(const ContentSink&)>& produce, int* error) {
    std::string temporary;
    UniqueDescriptor out(CreateTemporary(target, existing != nullptr, &temporary, error));
    if (out.Get() < 0) {
        return FolderRefuses(*error) ? Replaced::FolderRefused : Replaced::Failed;
    }
    bool ok = true;
    if (existing) {
        // The owner first: changing it may clear the set-id bits that the
        // mode then puts back. A file owned by someone else keeps its owner
        // only where we may give files away; otherwise it becomes ours.
        [[maybe_unused]] int owned = ::fchown(out.Get(), existing->st_uid, existing->st_gid);
        if (::fchmod(out.Get(), existing->st_mode & 07777) != 0) {
            *error = errno;
            ok = false;
        }
    }
    bool cancelled = false;
    ok = ok && WriteProduced(out.Get(), produce, error, &cancelled);
    if (ok && ::fsync(out.Get()) != 0) {
        *error = errno;
        ok = false;
    }
    if (!out.Close() && ok) {
        *error = errno;
        ok = false;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        *error = errno;
        ::unlink(temporary.c_str());
        return FolderRefuses(*error) ? Replaced::FolderRefused : Replaced::Failed;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return cancelled ? Replaced::Cancelled : Replaced::Failed;
    }
    return Replaced::Done;
}

// Best effort after a failure: what it cannot undo is already reported.
void RestoreLength(int fd, size_t length) {
    [[maybe_unused]] int ignored = ::ftruncate(fd, static_cast<off_t>(length));
}

// Not atomic, so as careful as it can be: the space the longer content needs
// is claimed before any byte changes, and a write that fails anyway puts the
// old content back as well as it can.
bool RewriteInPlace(const fs::path& target, std::string_view old, std::string_view content,
                    int* error) {
    UniqueDescriptor file(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW));
    if (file.Get() < 0) {
        *error = errno;
        return false;
    }
    const int fd = file.Get();
    if (content.size() > old.size() &&
        ::fallocate(fd, 0, 0, static_cast<off_t>(content.size())) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS) {
        *error = errno;
        RestoreLength(fd, old.size());
        return false;
    }
    if (!WriteAllAt(fd, content, 0, error)) {
        int ignored = 0;
        WriteAllAt(fd, old, 0, &ignored);
        RestoreLength(fd, old.size());
        return false;
    }
    if (::ftruncate(fd, static_cast<off_t>(content.size())) != 0 || ::fsync(fd) != 0) {
        *error = errno;
        return false;
    }
    if (!file.Close()) {
        *error = errno;
        return false;
    }
    return true;
}

}  // namespace

std::string RewriteResult::Reason() const {
    switch (outcome) {
        case RewriteOutcome::Written:
            return {};
        case RewriteOutcome::ReadOnly:
            return "is read-only";
        case RewriteOutcome::NotAFile:
            return "is not a regular file";
        case RewriteOutcome::Cancelled:
            return "was not written (cancelled)";
        case RewriteOutcome::Failed:
            break;
    }
    return "could not be written (" + std::generic_category().message(error) + ")";
}

namespace {

// The file a rewrite replaces, and whether it may be replaced.
struct Target {
    fs::path path;
    bool exists = false;
    struct stat existing {};
};

std::optional<Target> WritableTarget(const std::string& path, RewriteResult* refusal) {
    int error = 0;
    std::optional<fs::path> final = FinalTarget(path, &error);
    if (!final) {
        *refusal = Failure(error);
        return std::nullopt;
    }
    Target target{*final};
    target.exists = ::stat(target.path.c_str(), &target.existing) == 0;
    if (!target.exists && errno != ENOENT) {
        *refusal = Failure(errno);
        return std::nullopt;
    }
    if (target.exists) {
        if (!S_ISREG(target.existing.st_mode)) {
            *refusal = {RewriteOutcome::NotAFile, 0};
            return std::nullopt;
        }
        // The mode bits, not only access(): the superuser may write anything,
        // but a file its owner made read-only is meant to stay as it is.
        if ((target.existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            *refusal = {RewriteOutcome::ReadOnly, 0};
            return std::nullopt;
        }
        // Someone else's file that we may not write is not replaced either,
        // though the folder would let us.
        if (::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) {
            *refusal = Failure(errno);
            return std::nullopt;
        }
    }
    return target;
}

}  // namespace

RewriteResult ReplaceFileContent(const std::string& path,
                                 const std::function<bool(const ContentSink&)>& produce) {
    RewriteResult refusal;
    std::optional<Target> target = WritableTarget(path, &refusal);
    if (!target) {
        return refusal;
    }
    int error = 0;
    switch (ReplaceByRename(target->path, target->exists ? &target->existing : nullptr, produce,
                            &error)) {
        case Replaced::Done:
            return {};
        case Replaced::Cancelled:
            return {RewriteOutcome::Cancelled, 0};
        case Replaced::Failed:
        case Replaced::FolderRefused:
            break;
    }
    return Failure(error);
}

RewriteResult RewriteFile(const std::string& path,
                          const std::function<std::string(std::string_view)>& edit) {
    RewriteResult refusal;
    std::optional<Target> found = WritableTarget(path, &refusal);
    if (!found) {
        return refusal;
    }
    const fs::path* target = &found->path;
    const bool exists = found->exists;
    const struct stat& existing = found->existing;
    int error = 0;
    std::string old;
    // A file that cannot be read would be rewritten without what it held.
    if (exists && !ReadAll(*target, &old, &error)) {
        return Failure(error);
    }

    const std::string content = edit(old);
    const auto whole = [&content](const ContentSink& sink) { return sink(content); };
    switch (ReplaceByRename(*target, exists ? &existing : nullptr, whole, &error)) {
        case Replaced::Done:
            return {};
        case Replaced::Failed:
        case Replaced::Cancelled:
            return Failure(error);
        case Replaced::FolderRefused:
            break;
    }
    if (!exists) {
        return Failure(error);
    }
    if (!RewriteInPlace(*target, old, content, &error)) {
        return Failure(error);
    }
    return {};
}

}  // namespace ferrule
