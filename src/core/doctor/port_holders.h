// Which processes have a device node open, from the open files every
// process shows in /proc/<pid>/fd. Another user's processes can be looked
// into only by root: those are counted, not guessed at.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace ferrule {

struct PortHolder {
    pid_t pid = 0;
    std::string name;  // the process's command name
    // The node is a pseudo-terminal and this process holds its master too:
    // it is the device's far end (a simulated device), not another user of
    // the port.
    bool farEnd = false;
};

struct PortHolderScan {
    std::vector<PortHolder> holders;
    int unreadable = 0;   // processes whose open files could not be read
    std::string problem;  // the /proc folder itself could not be read
};

// The processes holding the node (a link to the node counts as the node).
PortHolderScan FindPortHolders(const std::filesystem::path& proc,
                               const std::filesystem::path& node);

// The processes whose command name is `name`.
std::vector<PortHolder> FindProcesses(const std::filesystem::path& proc, const std::string& name);

}  // namespace ferrule
