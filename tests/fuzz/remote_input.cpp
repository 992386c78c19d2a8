#include "remote_input.h"

#include <string>
#include <string_view>

#include "core/remote/command_grammar.h"
#include "core/remote/outcome.h"

namespace {

// No line end, no control character, nothing that is not UTF-8: what a
// client reading lines of JSON can take.
bool OneCleanLine(std::string_view reply) {
    for (size_t i = 0; i < reply.size();) {
        const auto c = static_cast<unsigned char>(reply[i]);
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
        size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (length == 0 || i + length > reply.size()) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(reply[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return !reply.empty();
}

}  // namespace

bool RunRemoteInput(const uint8_t* data, size_t size) {
    const std::string_view stream(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start < stream.size()) {
        size_t end = stream.find('\n', start);
        if (end == std::string_view::npos) {
            end = stream.size();
        }
        std::string_view line = stream.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.size() > 4096) {
            continue;  // the server closes the connection instead
        }
        const ferrule::remote::ParseResult parsed = ferrule::remote::ParseLine(line);
        if (parsed.command.has_value() == !parsed.error.empty()) {
            return false;
        }
        ferrule::remote::Outcome outcome;
        if (!parsed.command) {
            outcome =
                ferrule::remote::Outcome::Failure(ferrule::remote::ExitCode::Refused, parsed.error);
        } else {
            outcome.result.Set("verb", ferrule::remote::VerbName(parsed.command->verb))
                .Set("path", parsed.command->path);
            for (const std::string& part : parsed.command->time) {
                outcome.result.Set("time", part);
            }
        }
        if (!OneCleanLine(ferrule::remote::ReplyLine(outcome))) {
            return false;
        }
    }
    return true;
}
