// Rewriting a small text file the way its owner expects: through a symlink to
// the file it names, keeping the file's mode and owner, never touching a
// read-only file, and never leaving a half-written file behind.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ferrule {

enum class RewriteOutcome {
    Written,
    ReadOnly,   // the file has no write permission bit at all; left alone
    NotAFile,   // the path names a folder, a device or the like; left alone
    Failed,     // an error, in `error`; the old file is unchanged
    Cancelled,  // the content's producer gave up; the old file is unchanged
};

struct RewriteResult {
    RewriteOutcome outcome = RewriteOutcome::Written;
    int error = 0;  // errno of a failure

    explicit operator bool() const { return outcome == RewriteOutcome::Written; }
    // What went wrong, to follow the file's name: "is read-only", "could not
    // be written (No space left on device)"; empty when written.
    std::string Reason() const;
};

// Replaces the file's content with edit(old content); a file that does not
// exist yet is created with the old content empty. Symlinks are followed to
// their final target, which is replaced and the links kept. The new content
// is written to a temporary file beside the target, synced and renamed over
// it, carrying the target's mode and (where permitted) owner. Where the folder
// takes no new file, the target is rewritten in place: space for the new
// content is claimed first, then the content is written, the file cut to its
// length and synced. A file without any write permission bit is not written,
// even by a user whose privileges would allow it.
RewriteResult RewriteFile(const std::string& path,
                          const std::function<std::string(std::string_view)>& edit);

// Takes the next piece of a new file's content; false when it could not be
// written, after which the producer should stop.
using ContentSink = std::function<bool(std::string_view piece)>;

// Writes a whole new file piece by piece, for content too large to hold in
// memory at once. The producer hands every piece to the sink and returns
// false to give up. As RewriteFile does, it follows symlinks, carries an
// existing file's mode and owner, and leaves read-only files and non-files
// alone; but the new file is only ever written beside the target and renamed
// over it, so the file is complete or not there at all (an old file stays as
// it was). A folder that takes no new file fails.
RewriteResult ReplaceFileContent(const std::string& path,
                                 const std::function<bool(const ContentSink&)>& produce);

}  // namespace ferrule
