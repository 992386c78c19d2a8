#include "config_input.h"

#include <string_view>

#include "core/timing/config_file.h"

bool RunConfigInput(const uint8_t* data, size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const auto records = ferrule::DecodeConfigFile(file);
    if (!records) {
        return true;
    }
    const auto again = ferrule::DecodeConfigFile(ferrule::EncodeConfigFile(*records));
    return again && *again == *records;
}
