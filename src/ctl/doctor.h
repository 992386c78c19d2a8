// `ferrule-ctl doctor`: what stands between the user and the controller, as
// the panel's "Diagnose Link..." tells it, after one attempt to open the
// chosen device (whose failure, with the operating system's reason, is the
// first piece of evidence). Exit code 0 when nothing stands in the way (there
// may be warnings), 3 when something does.
#pragma once

#include "core/remote/controller_session.h"
#include "ctl/output.h"

namespace ferrule::ctl {

int Doctor(remote::ControllerSession& session, Output& output);

}  // namespace ferrule::ctl
