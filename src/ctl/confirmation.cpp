#include "ctl/confirmation.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "core/resources/strings.h"

namespace ferrule::ctl {

using remote::ExitCode;
using remote::Outcome;
using remote::Verb;

Outcome Confirm(remote::Command* command) {
    const bool store = command->verb == Verb::StoreConfig;
    if ((!store && command->verb != Verb::RestoreDefaults) || command->yes) {
        return {};
    }
    const std::string name = remote::VerbName(command->verb);
    if (!isatty(STDIN_FILENO)) {
        return Outcome::Failure(ExitCode::Refused,
                                name +
                                    " needs a confirmation and there is no terminal to ask "
                                    "on: add --yes");
    }
    std::fprintf(stderr, "%s\nType yes to go ahead: ",
                 store ? kStoreConfigConfirmation : kRestoreDefaultsConfirmation);
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer) || (answer != "yes" && answer != "y")) {
        return Outcome::Failure(ExitCode::Refused, name + ": not confirmed; nothing was sent");
    }
    command->yes = true;
    return {};
}

}  // namespace ferrule::ctl
