#include "core/doctor/node_access.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sstream>

#include "core/common/bounded_file_read.h"

namespace ferrule {
namespace {

constexpr std::size_t kLargestGroupFile = 4 << 20;

struct GroupLine {
    std::string name;
    gid_t gid = 0;
    std::vector<std::string> members;
};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) {
        parts.push_back(part);
    }
    if (!text.empty() && text.back() == separator) {
        parts.emplace_back();
    }
    return parts;
}

// The lines of a group file ("name:password:gid:member,member"); nothing
// with *problem set when it cannot be read.
std::vector<GroupLine> ReadGroups(const std::filesystem::path& file, std::string* problem) {
    std::vector<GroupLine> groups;
    auto text = ReadRegularFile(file.string(), kLargestGroupFile, problem);
    if (!text) {
        return groups;
    }
    std::istringstream lines(*text);
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> fields = Split(line, ':');
        if (fields.size() < 3 || fields[0].empty() || fields[0][0] == '#') {
            continue;
        }
        char* end = nullptr;
        const unsigned long gid = std::strtoul(fields[2].c_str(), &end, 10);
        if (fields[2].empty() || *end != '\0') {
            continue;
        }
        GroupLine group{fields[0], static_cast<gid_t>(gid), {}};
        if (fields.size() > 3 && !fields[3].empty()) {
            group.members = Split(fields[3], ',');
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

std::string UserName(uid_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
        return found->pw_name;
    }
    return std::to_string(uid);
}

}  // namespace

std::string NodeAccess::ModeText() const {
    std::string text = S_ISCHR(mode) ? "c" : S_ISDIR(mode) ? "d" : S_ISREG(mode) ? "-" : "?";
    const char* letters = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit) {
        text += (mode & (0400 >> bit)) ? letters[bit] : '-';
    }
    return text;
}

NodeAccess InspectNode(const std::filesystem::path& node, const std::filesystem::path& groupFile) {
    NodeAccess access;
    access.node = node;
    struct stat info {};
    if (::stat(node.c_str(), &info) != 0) {
        access.exists = errno != ENOENT && errno != ENOTDIR;
        access.problem = std::strerror(errno);
        return access;
    }
    access.exists = true;
    access.owner = info.st_uid;
    access.group = info.st_gid;
    access.mode = info.st_mode;
    access.ownerName = UserName(info.st_uid);
    access.groupName = GroupName(info.st_gid, groupFile);
    access.readWrite = ::access(node.c_str(), R_OK | W_OK) == 0;
    return access;
}

UserIdentity CurrentUser() {
    UserIdentity user;
    user.uid = getuid();
    user.primaryGroup = getgid();
    user.name = UserName(user.uid);
    const int count = getgroups(0, nullptr);
    if (count > 0) {
        user.groupsNow.resize(static_cast<size_t>(count));
        user.groupsNow.resize(
            static_cast<size_t>(std::max(getgroups(count, user.groupsNow.data()), 0)));
    }
    user.groupsNow.push_back(getegid());
    return user;
}

GroupMembership CheckMembership(const UserIdentity& user, gid_t group,
                                const std::filesystem::path& groupFile) {
    GroupMembership membership;
    membership.now =
        std::find(user.groupsNow.begin(), user.groupsNow.end(), group) != user.groupsNow.end();
    membership.listed = user.primaryGroup == group;
    for (const GroupLine& line : ReadGroups(groupFile, &membership.problem)) {
        if (line.gid == group &&
            std::find(line.members.begin(), line.members.end(), user.name) != line.members.end()) {
            membership.listed = true;
        }
    }
    return membership;
}

std::string GroupName(gid_t group, const std::filesystem::path& groupFile) {
    std::string problem;
    for (const GroupLine& line : ReadGroups(groupFile, &problem)) {
        if (line.gid == group) {
            return line.name;
        }
    }
    return std::to_string(group);
}

}  // namespace ferrule
