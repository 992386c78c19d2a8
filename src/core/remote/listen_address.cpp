#include "core/remote/listen_address.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstdlib>

namespace ferrule::remote {

std::optional<TcpAddress> ParseTcpAddress(std::string_view text, std::string* error) {
    TcpAddress address;
    std::string_view host = "127.0.0.1";
    std::string_view port = text;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find("]:");
        if (close == std::string_view::npos) {
            *error = "bad address '" + std::string(text) + "': use [IPV6]:PORT";
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else if (const size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    unsigned value = 0;
    const auto [end, failed] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || failed != std::errc() || end != port.data() + port.size() ||
        value > 65535) {
        *error = "bad port in '" + std::string(text) + "': use ADDR:PORT, PORT 0 to 65535";
        return std::nullopt;
    }
    address.port = static_cast<uint16_t>(value);
    address.host = host == "localhost" ? "127.0.0.1" : std::string(host);
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, address.host.c_str(), &v4) == 1) {
        address.ipv6 = false;
    } else if (inet_pton(AF_INET6, address.host.c_str(), &v6) == 1) {
        address.ipv6 = true;
    } else {
        *error = "bad address '" + std::string(host) +
                 "': give a numeric address, such as 127.0.0.1 or [::1]";
        return std::nullopt;
    }
    return address;
}

bool IsLoopback(const TcpAddress& address) {
    if (!address.ipv6) {
        in_addr v4{};
        return inet_pton(AF_INET, address.host.c_str(), &v4) == 1 &&
               (ntohl(v4.s_addr) >> 24) == 127;
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, address.host.c_str(), &v6) != 1) {
        return false;
    }
    if (IN6_IS_ADDR_LOOPBACK(&v6)) {
        return true;
    }
    return IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127;
}

std::string RemoteWarning(const TcpAddress& address) {
    return "warning: listening on " + address.host + ":" + std::to_string(address.port) +
           ", which is not a loopback address: anyone who can reach this port can move the "
           "shutter and change the controller's settings";
}

std::string RemoteRefusal(const TcpAddress& address) {
    return "refusing to listen on " + address.host +
           ": not a loopback address, so anyone who can reach the port could move the shutter; "
           "add --allow-remote to allow that";
}

std::string DefaultSocketPath() {
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    if (folder == nullptr || *folder == '\0') {
        return {};
    }
    return std::string(folder) + "/ferrule.sock";
}

}  // namespace ferrule::remote
