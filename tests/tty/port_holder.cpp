// tty_port_holder LIBRARY [--previous-handler]: another program holding a
// port, for the tests of the serial back end. Opens device 0 through LIBRARY
// (found as FERRULE_TTY_SYSFS and FERRULE_TTY_DEV say) and prints
// "<status> <category> <reason>". If the open succeeded it holds the port and
// takes one command a line from standard input:
//   close    FT_Close, then prints "closed"
//   release  unloads the library without closing, then prints "released"
//   exit     exit(0) with the port open
//   segv     a real invalid memory access
//   abort    abort()
// and exits at the end of its input. --previous-handler installs handlers for
// SIGSEGV and SIGABRT before the library is loaded, as a program's own crash
// handler would be: they print "previous <signal>" and let the default
// action end the process.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "core/link/d2xx_entry_points.h"
#include "core/link/ftty_open_error.h"

namespace {

void PreviousHandler(int signal) {
    char line[16] = "previous ";
    size_t n = 9;
    if (signal >= 10) {
        line[n++] = static_cast<char>('0' + signal / 10);
    }
    line[n++] = static_cast<char>('0' + signal % 10);
    line[n++] = '\n';
    (void)!write(STDOUT_FILENO, line, n);
    ::signal(signal, SIG_DFL);
}

// Uninstrumented, so that the access faults as it does in any program, with
// no sanitizer reporting it first.
__attribute__((noinline, no_sanitize("address", "thread", "undefined"))) void Fault() {
    volatile uintptr_t address = 8;
    *reinterpret_cast<volatile int*>(address) = 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::string(argv[2]) == "--previous-handler") {
        signal(SIGSEGV, PreviousHandler);
        signal(SIGABRT, PreviousHandler);
    }
    void* library = argc > 1 ? dlopen(argv[1], RTLD_NOW) : nullptr;
    if (library == nullptr) {
        return 2;
    }
    auto ftOpen = reinterpret_cast<PFN_FT_Open>(dlsym(library, "FT_Open"));
    auto ftClose = reinterpret_cast<PFN_FT_Close>(dlsym(library, "FT_Close"));
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
        if (command == "close") {
            ftClose(handle);
            std::cout << "closed" << std::endl;
        } else if (command == "release") {
            dlclose(library);
            std::cout << "released" << std::endl;
        } else if (command == "exit") {
            std::exit(0);
        } else if (command == "segv") {
            Fault();
        } else if (command == "abort") {
            std::abort();
        }
    }
    return 0;
}
