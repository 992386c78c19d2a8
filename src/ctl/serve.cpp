#include "ctl/serve.h"

#include <cstdio>

#include "core/remote/line_server.h"
#include "core/remote/session_server.h"

namespace ferrule::ctl {

using remote::ExitCode;
using remote::Outcome;

int Serve(const ServeOptions& options, remote::ControllerSession& session,
          const std::atomic<bool>& stop, Output& output) {
    remote::LineServerOptions serverOptions;
    serverOptions.idleLimitMs = int64_t{options.idleSeconds} * 1000;
    if (!options.noSocket) {
        serverOptions.unixPath =
            options.socketPath.empty() ? remote::DefaultSocketPath() : options.socketPath;
        if (serverOptions.unixPath.empty()) {
            return output.Usage(
                "XDG_RUNTIME_DIR is not set, so there is no place for the socket: give --socket "
                "PATH (or --socket none with --listen)");
        }
    } else if (!options.listen) {
        return output.Usage("--socket none leaves nothing to listen on: add --listen ADDR:PORT");
    }
    if (options.listen) {
        if (!remote::IsLoopback(*options.listen) && !options.allowRemote) {
            return output.Usage(remote::RemoteRefusal(*options.listen));
        }
        serverOptions.tcp = options.listen;
    }

    // The device first: a device another server holds is reported as busy.
    if (Outcome opened = session.Open(); !opened.Done()) {
        return output.Finish(opened);
    }
    remote::LineServer server(serverOptions);
    remote::SessionServer sessionServer(session, server);
    std::string error;
    if (!server.Start(sessionServer.Handler(), &error)) {
        session.Close();
        return output.Finish(Outcome::Failure(ExitCode::DeviceUnavailable, error));
    }
    if (options.listen && !remote::IsLoopback(*options.listen)) {
        remote::TcpAddress bound = *options.listen;
        bound.port = server.TcpPort();
        std::fprintf(stderr, "ferrule-ctl: %s\n", remote::RemoteWarning(bound).c_str());
    }
    const DeviceIdentity& device = session.Device();
    output.Note("serving " + device.description + " (" + device.serial + ")");
    if (!server.UnixPath().empty()) {
        output.Note("listening on unix:" + server.UnixPath());
    }
    if (options.listen) {
        output.Note("listening on tcp:" + options.listen->host + ":" +
                    std::to_string(server.TcpPort()));
    }
    sessionServer.Run(stop);
    server.Stop();
    session.Close();
    return 0;
}

}  // namespace ferrule::ctl
