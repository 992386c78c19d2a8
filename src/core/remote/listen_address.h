// Where a server listens: the Unix socket's path by default, and a TCP
// address on request, which must be a loopback address unless remote
// clients are allowed outright.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ferrule::remote {

struct TcpAddress {
    std::string host;  // numeric: 127.0.0.1, ::1; "localhost" is taken as 127.0.0.1
    uint16_t port = 0;
    bool ipv6 = false;
};

// ADDR:PORT, [IPV6]:PORT, or a PORT alone (on 127.0.0.1). Port 0 lets the
// system choose one.
std::optional<TcpAddress> ParseTcpAddress(std::string_view text, std::string* error);
bool IsLoopback(const TcpAddress& address);

// What --allow-remote prints, naming the address.
std::string RemoteWarning(const TcpAddress& address);
// Why a non-loopback address is refused without --allow-remote.
std::string RemoteRefusal(const TcpAddress& address);

// $XDG_RUNTIME_DIR/ferrule.sock; empty when the variable is not set.
std::string DefaultSocketPath();

}  // namespace ferrule::remote
