// Who may open a device node, and whether this user may: the node's owner,
// group and mode, the kernel's own verdict for this process (access(2), which
// also honours the access lists udev gives the user at the seat), and the
// user's membership of the node's group, now and in the group file.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace ferrule {

struct NodeAccess {
    std::filesystem::path node;
    bool exists = false;
    std::string problem;  // why it could not be examined; empty when it was
    uid_t owner = 0;
    gid_t group = 0;
    mode_t mode = 0;
    std::string ownerName, groupName;  // numbers when no name is known
    bool readWrite = false;            // this process may open it for reading and writing
    // "crw-rw----"
    std::string ModeText() const;
};

// The node as it is reached (a link is followed), group names from groupFile.
NodeAccess InspectNode(const std::filesystem::path& node, const std::filesystem::path& groupFile);

// This process's user.
struct UserIdentity {
    uid_t uid = 0;
    gid_t primaryGroup = 0;
    std::string name;
    std::vector<gid_t> groupsNow;  // the groups this login has
};
UserIdentity CurrentUser();

struct GroupMembership {
    bool now = false;     // this login has the group
    bool listed = false;  // the group file (or the user's primary group) lists the user
    std::string problem;  // the group file could not be read
};
GroupMembership CheckMembership(const UserIdentity& user, gid_t group,
                                const std::filesystem::path& groupFile);

// The group's name from the group file; its number when the file has none.
std::string GroupName(gid_t group, const std::filesystem::path& groupFile);

}  // namespace ferrule
