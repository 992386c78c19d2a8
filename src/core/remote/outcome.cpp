#include "core/remote/outcome.h"

namespace ferrule::remote {

std::string ReplyLine(const Outcome& outcome) {
    if (!outcome.Done()) {
        return JsonObject()
            .Set("error", outcome.error)
            .Set("exit", static_cast<int>(outcome.code))
            .Text();
    }
    if (!outcome.plain.empty()) {
        return outcome.plain;
    }
    if (outcome.result.Empty()) {
        return JsonObject().Set("ok", true).Text();
    }
    return outcome.result.Text();
}

}  // namespace ferrule::remote
