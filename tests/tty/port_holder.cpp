// tty_port_holder LIBRARY: another program holding a port, for the tests of
// the serial back end. Opens device 0 through LIBRARY (found as
// FERRULE_TTY_SYSFS and FERRULE_TTY_DEV say) and prints
// "<status> <category> <reason>". If the open succeeded it holds the port and
// takes one command a line from standard input:
//   exit     exit(0) with the port open
// and exits at the end of its input.
#include <dlfcn.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "link/d2xx_types.h"
#include "tty/ftty_open_error.h"

int main(int argc, char** argv) {
    void* library = argc > 1 ? dlopen(argv[1], RTLD_NOW) : nullptr;
    if (library == nullptr) {
        return 2;
    }
    auto ftOpen = reinterpret_cast<PFN_FT_Open>(dlsym(library, "FT_Open"));
    auto lastOpenError =
        reinterpret_cast<PFN_ftty_last_open_error>(dlsym(library, "ftty_last_open_error"));
    FT_HANDLE handle = nullptr;
    const FT_STATUS status = ftOpen(0, &handle);
    char text[512] = {};
    const uint32_t category = lastOpenError(text, sizeof text);
    std::cout << status << ' ' << category << ' ' << text << std::endl;
    if (status != FT_OK) {
        return 0;
    }
    for (std::string command; std::getline(std::cin, command);) {
        if (command == "exit") {
            std::exit(0);
        }
    }
    return 0;
}
