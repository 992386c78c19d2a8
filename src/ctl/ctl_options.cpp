#include "ctl/ctl_options.h"

#include <charconv>

#include "core/link/device_opening.h"

namespace ferrule::ctl {

const char* const kUsageHead =
    "Usage: ferrule-ctl [OPTIONS] COMMAND [ARGUMENTS]\n"
    "       ferrule-ctl [OPTIONS] serve [--socket PATH|none] [--listen ADDR:PORT] "
    "[--allow-remote]\n"
    "                   [--idle-timeout S] [--no-reconnect]\n"
    "       ferrule-ctl [OPTIONS] doctor\n"
    "Options:\n"
    "  --device TEXT     the device by description or serial number\n"
    "  --index N         the device by number (0-64)\n"
    "  --driver LIB      sim, tty, or a D2XX library's path or name (default: libftd2xx.so,\n"
    "                    then the bundled tty driver)\n"
    "  --profile PATH    the panel's profile to take the remembered device from\n"
    "  --json            one JSON object per result or event\n"
    "  --timeout S       seconds to wait for each reply (default 2)\n"
    "serve reopens a lost link by itself when the device is back (--no-reconnect: it\n"
    "  waits for a client's open); watch clients hear link-lost, link-notice, link-back.\n"
    "doctor tells what stands between you and the controller, each with its fix.\n"
    "Exit codes: 0 done, 1 no answer in time, 2 usage error or value refused,\n"
    "  3 device not found, busy or not permitted (doctor: something stands in the\n"
    "  way; 'ferrule-ctl doctor' tells what), 4 the link failed.\n"
    "Commands:\n";

const char* const kUsageTail =
    "watch --record FILE also writes every exchange to FILE as it happens, in the CSV format\n"
    "  of the panel's Record Session... (time,elapsed_ms,direction,bytes,meaning).\n"
    "See ferrule-ctl(1).\n";

namespace {

std::optional<int64_t> Milliseconds(const std::string& text) {
    const size_t point = text.find('.');
    int64_t whole = 0;
    const std::string wholeText = text.substr(0, point);
    const auto [end, error] =
        std::from_chars(wholeText.data(), wholeText.data() + wholeText.size(), whole);
    if (wholeText.empty() || error != std::errc() || end != wholeText.data() + wholeText.size() ||
        whole < 0 || whole > 3600) {
        return std::nullopt;
    }
    int64_t ms = whole * 1000;
    if (point != std::string::npos) {
        const std::string fraction = text.substr(point + 1);
        if (fraction.empty() || fraction.size() > 3) {
            return std::nullopt;
        }
        int64_t scale = 100;
        for (char digit : fraction) {
            if (digit < '0' || digit > '9') {
                return std::nullopt;
            }
            ms += (digit - '0') * scale;
            scale /= 10;
        }
    }
    return ms;
}

}  // namespace

ParsedOptions ParseCtlOptions(const std::vector<std::string>& arguments) {
    CtlOptions options;
    auto fail = [](std::string error) { return ParsedOptions{std::nullopt, std::move(error)}; };
    bool commandSeen = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= arguments.size()) {
                return std::nullopt;
            }
            return arguments[++i];
        };
        const auto needs = [&](const char* what) { return fail(arg + " needs " + what); };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--device") {
            const auto v = value();
            if (!v || v->empty()) {
                return needs("a description or serial number");
            }
            if (options.deviceGiven) {
                return fail("give one of --device and --index, once");
            }
            options.device.by = remote::DeviceChoice::By::Text;
            options.device.text = *v;
            options.deviceGiven = true;
        } else if (arg == "--index") {
            const auto v = value();
            int index = -1;
            if (!v) {
                return needs("a device number");
            }
            const auto [end, error] = std::from_chars(v->data(), v->data() + v->size(), index);
            if (error != std::errc() || end != v->data() + v->size() || index < 0 || index > 64) {
                return fail("bad device number '" + *v +
                            "' for --index: " + kBadDeviceNumberMessage);
            }
            if (options.deviceGiven) {
                return fail("give one of --device and --index, once");
            }
            options.device.by = remote::DeviceChoice::By::Index;
            options.device.index = index;
            options.deviceGiven = true;
        } else if (arg == "--driver") {
            const auto v = value();
            if (!v || v->empty()) {
                return needs("sim, tty, or a library");
            }
            options.driver = *v;
        } else if (arg == "--profile") {
            const auto v = value();
            if (!v || v->empty()) {
                return needs("a path");
            }
            options.profile = *v;
        } else if (arg == "--timeout") {
            const auto v = value();
            const std::optional<int64_t> ms = v ? Milliseconds(*v) : std::nullopt;
            if (!ms || *ms <= 0) {
                return fail("bad time-out '" + v.value_or("") +
                            "' for --timeout: seconds, more than 0, at most 3600");
            }
            options.timeoutMs = static_cast<int>(*ms);
        } else if (options.serve && arg == "--socket") {
            const auto v = value();
            if (!v || v->empty()) {
                return needs("a path, or none");
            }
            options.serveOptions.noSocket = *v == "none";
            options.serveOptions.socketPath = *v == "none" ? "" : *v;
        } else if (options.serve && arg == "--listen") {
            const auto v = value();
            if (!v) {
                return needs("ADDR:PORT");
            }
            std::string error;
            options.serveOptions.listen = remote::ParseTcpAddress(*v, &error);
            if (!options.serveOptions.listen) {
                return fail(error + " (--listen)");
            }
        } else if (options.serve && arg == "--allow-remote") {
            options.serveOptions.allowRemote = true;
        } else if (options.serve && arg == "--no-reconnect") {
            options.serveOptions.reconnect = false;
        } else if (options.serve && arg == "--idle-timeout") {
            const auto v = value();
            const std::optional<int64_t> ms = v ? Milliseconds(*v) : std::nullopt;
            if (!ms || *ms < 1000) {
                return fail("bad time '" + v.value_or("") +
                            "' for --idle-timeout: seconds, 1 to 3600");
            }
            options.serveOptions.idleSeconds = static_cast<int>(*ms / 1000);
        } else if (!commandSeen && arg == "serve") {
            options.serve = true;
            commandSeen = true;
        } else if (!commandSeen && arg.rfind("--", 0) == 0) {
            return fail("unknown option '" + arg + "'");
        } else if (options.serve) {
            return fail("unexpected '" + arg +
                        "' after serve; accepted: serve [--socket PATH|none] [--listen ADDR:PORT] "
                        "[--allow-remote] [--idle-timeout S] [--no-reconnect]");
        } else {
            commandSeen = true;
            options.words.push_back(arg);
        }
    }
    if (!options.help && !options.version && !commandSeen) {
        return fail("no command given");
    }
    return {options, {}};
}

}  // namespace ferrule::ctl
