// tty_port_holder (port_holder.cpp) run by a test as another program holding
// the port, or only trying to open it.
#pragma once

#include <istream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "core/link/d2xx_types.h"

// What the holder's open of device 0 gave.
struct HolderOpened {
    FT_STATUS status = 99;
    uint32_t category = 99;
    std::string reason;
};

inline std::unique_ptr<ChildProcess> StartPortHolder(bool asNobody = false,
                                                     const char* option = nullptr) {
    std::vector<std::string> argv{PORT_HOLDER_EXECUTABLE, FTTY_LIBRARY_PATH};
    if (option != nullptr) {
        argv.push_back(option);
    }
    return std::make_unique<ChildProcess>(argv, asNobody);
}

inline HolderOpened ReadOpened(ChildProcess& holder) {
    std::istringstream line(holder.ReadLine());
    HolderOpened opened;
    line >> opened.status >> opened.category;
    std::getline(line >> std::ws, opened.reason);
    return opened;
}

// Device 0 opened and closed again by another program.
inline HolderOpened OpenInAnotherProgram(bool asNobody = false) {
    auto opener = StartPortHolder(asNobody);
    const HolderOpened opened = ReadOpened(*opener);
    opener->Send("exit");
    opener->Wait();
    return opened;
}
