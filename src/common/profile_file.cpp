#include "common/profile_file.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

#include "common/leading_integer.h"

namespace ferrule {
namespace {

std::string_view Trim(std::string_view s) {
    const char* blanks = " \t\r\n";
    size_t first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    size_t last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The file's lines without their line ends; a final line end starts no line.
std::vector<std::string> SplitLines(std::string_view content) {
    std::vector<std::string> lines;
    while (!content.empty()) {
        size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    }
    return lines;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

// The section name if the line is a section header.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trim(line);
    if (line.size() >= 2 && line.front() == '[') {
        size_t close = line.find(']');
        if (close != std::string_view::npos) {
            return Trim(line.substr(1, close - 1));
        }
    }
    return std::nullopt;
}

// Index of the line holding the key within the section, and of the section's
// last line, or npos.
struct KeyPosition {
    size_t section = std::string::npos;
    size_t lastOfSection = std::string::npos;
    size_t key = std::string::npos;
};

KeyPosition Find(const std::vector<std::string>& lines, std::string_view section,
                 std::string_view key) {
    KeyPosition pos;
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (auto name = SectionOf(lines[i])) {
            inSection = SameName(*name, section);
            if (inSection && pos.section == std::string::npos) {
                pos.section = i;
                pos.lastOfSection = i;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        std::string_view line = lines[i];
        if (!Trim(line).empty()) {
            pos.lastOfSection = i;
        }
        size_t eq = line.find('=');
        if (eq != std::string_view::npos && pos.key == std::string::npos &&
            SameName(Trim(line.substr(0, eq)), key)) {
            pos.key = i;
        }
    }
    return pos;
}

std::optional<std::string> ValueOf(const std::string& path, std::string_view section,
                                   std::string_view key) {
    std::vector<std::string> lines = ReadLines(path);
    KeyPosition pos = Find(lines, section, key);
    if (pos.key == std::string::npos) {
        return std::nullopt;
    }
    std::string_view line = lines[pos.key];
    std::string_view value = Trim(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

}  // namespace

int ProfileFile::GetInt(std::string_view section, std::string_view key, int defaultValue) const {
    std::optional<std::string> value = ValueOf(m_path, section, key);
    return value ? LeadingInteger(*value) : defaultValue;
}

std::string ProfileFile::GetString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const {
    std::optional<std::string> value = ValueOf(m_path, section, key);
    return value ? *value : std::string(defaultValue);
}

RewriteResult ProfileFile::WriteString(std::string_view section, std::string_view key,
                                       std::string_view value) {
    // A value must stay on its line.
    std::string clean(value);
    std::replace_if(
        clean.begin(), clean.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    const std::string entry = std::string(key) + "=" + clean;

    return RewriteFile(m_path, [&](std::string_view old) {
        std::vector<std::string> lines = SplitLines(old);
        KeyPosition pos = Find(lines, section, key);
        if (pos.key != std::string::npos) {
            lines[pos.key] = entry;
        } else if (pos.section != std::string::npos) {
            lines.insert(lines.begin() + static_cast<long>(pos.lastOfSection) + 1, entry);
        } else {
            std::string header = "[";
            header.append(section).append("]");
            lines.push_back(std::move(header));
            lines.push_back(entry);
        }
        std::string content;
        for (const std::string& line : lines) {
            content.append(line).push_back('\n');
        }
        return content;
    });
}

}  // namespace ferrule
