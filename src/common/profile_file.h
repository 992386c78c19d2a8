// The application profile: an INI-style file of sections and keys, read and
// written the way the platform's private-profile calls do. Every call goes to
// the file itself, so two readers never disagree and nothing is cached.
#pragma once

#include <string>
#include <string_view>

#include "common/file_rewrite.h"

namespace ferrule {

class ProfileFile {
public:
    explicit ProfileFile(std::string path) : m_path(std::move(path)) {}

    const std::string& Path() const { return m_path; }

    // The key's value read as a leading integer; defaultValue when the file,
    // the section or the key is absent or unreadable.
    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;

    // The key's value with surrounding blanks and one pair of enclosing quotes
    // removed; defaultValue when absent or unreadable.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view defaultValue) const;

    // Sets the key, creating the file and the section as needed and keeping
    // everything else in the file. A line break in the value becomes a blank,
    // so the value stays on its line. The file is rewritten as RewriteFile
    // does: a failed write leaves the previous profile intact, and a
    // read-only profile is not written; the result says which and why.
    RewriteResult WriteString(std::string_view section, std::string_view key,
                              std::string_view value);

private:
    std::string m_path;
};

}  // namespace ferrule
