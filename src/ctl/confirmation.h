// The panel's confirmation of store-config and restore-defaults, asked on
// the terminal. Without a terminal nothing is asked and --yes is needed.
#pragma once

#include "core/remote/command_grammar.h"
#include "core/remote/outcome.h"

namespace ferrule::ctl {

// Done when the command may go ahead (confirmed, or --yes given, or no
// confirmation needed); sets command->yes when confirmed.
remote::Outcome Confirm(remote::Command* command);

}  // namespace ferrule::ctl
