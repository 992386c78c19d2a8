#include "core/doctor/port_holders.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "core/common/bounded_file_read.h"
#include "core/doctor/sysfs_value.h"

namespace fs = std::filesystem;

namespace ferrule {
namespace {

// The process folders of /proc: those named by a number.
template <typename Visit>
std::string ForEachProcess(const fs::path& proc, Visit visit) {
    std::error_code ec;
    fs::directory_iterator it(proc, ec);
    if (ec) {
        return ec.message();
    }
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) {
            continue;
        }
        visit(static_cast<pid_t>(std::strtol(name.c_str(), nullptr, 10)), it->path());
    }
    return {};
}

std::string CommandName(const fs::path& processDir) {
    return ReadSysfsValue(processDir / "comm").text.value_or("?");
}

// The n of /dev/pts/<n>; -1 for any other node.
int PseudoTerminalNumber(const fs::path& node) {
    if (node.parent_path() != "/dev/pts") {
        return -1;
    }
    const std::string name = node.filename().string();
    if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) {
        return -1;
    }
    return std::atoi(name.c_str());
}

// Whether the process holds the master of pseudo-terminal <number>: its
// /dev/ptmx descriptor's fdinfo names the terminal ("tty-index:").
bool HoldsMaster(const fs::path& processDir, int number) {
    std::error_code ec;
    for (fs::directory_iterator fd(processDir / "fd", ec); !ec && fd != fs::directory_iterator();
         fd.increment(ec)) {
        std::error_code linkError;
        if (fs::read_symlink(fd->path(), linkError) != "/dev/ptmx" || linkError) {
            continue;
        }
        std::string problem;
        const auto info = ReadRegularFile((processDir / "fdinfo" / fd->path().filename()).string(),
                                          4096, &problem);
        const size_t at = info ? info->find("tty-index:") : std::string::npos;
        if (at != std::string::npos && std::atoi(info->c_str() + at + 10) == number) {
            return true;
        }
    }
    return false;
}

}  // namespace

PortHolderScan FindPortHolders(const fs::path& proc, const fs::path& node) {
    PortHolderScan scan;
    std::error_code ec;
    const fs::path real = fs::canonical(node, ec);
    scan.problem = ForEachProcess(proc, [&](pid_t pid, const fs::path& dir) {
        std::error_code fdError;
        fs::directory_iterator fds(dir / "fd", fdError);
        if (fdError) {
            // A process that ended meanwhile is no holder.
            if (fdError != std::errc::no_such_file_or_directory) {
                ++scan.unreadable;
            }
            return;
        }
        for (; !fdError && fds != fs::directory_iterator(); fds.increment(fdError)) {
            std::error_code linkError;
            const fs::path target = fs::read_symlink(fds->path(), linkError);
            if (!linkError && (target == node || (!real.empty() && target == real))) {
                const int terminal = PseudoTerminalNumber(real);
                scan.holders.push_back(
                    {pid, CommandName(dir), terminal >= 0 && HoldsMaster(dir, terminal)});
                return;
            }
        }
    });
    return scan;
}

std::vector<PortHolder> FindProcesses(const fs::path& proc, const std::string& name) {
    std::vector<PortHolder> found;
    ForEachProcess(proc, [&](pid_t pid, const fs::path& dir) {
        if (CommandName(dir) == name) {
            found.push_back({pid, name});
        }
    });
    return found;
}

}  // namespace ferrule
