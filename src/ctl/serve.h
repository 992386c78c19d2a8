// `ferrule-ctl serve`: the device opened and kept, commands taken from the
// Unix socket (and a TCP port on request) until a stop signal.
#pragma once

#include <atomic>

#include "core/remote/controller_session.h"
#include "ctl/ctl_options.h"
#include "ctl/output.h"

namespace ferrule::ctl {

int Serve(const ServeOptions& options, remote::ControllerSession& session,
          const std::atomic<bool>& stop, Output& output);

}  // namespace ferrule::ctl
