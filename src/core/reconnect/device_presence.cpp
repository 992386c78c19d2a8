#include "core/reconnect/device_presence.h"

#include <algorithm>
#include <vector>

#include "core/common/leading_integer.h"
#include "core/link/device_listing.h"

namespace ferrule {
namespace {

constexpr int kLargestDeviceNumber = 64;

std::optional<DWORD> CountDevices(D2xxApi& d2xx) {
    DWORD count = 0;
    if (d2xx.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK) {
        return std::nullopt;
    }
    return count;
}

// Every attached device's description or serial number, in the library's
// order; nothing when the listing fails.
std::optional<std::vector<std::string>> ListTexts(D2xxApi& d2xx, DWORD count, DWORD by) {
    std::vector<std::string> texts;
    DeviceListing listing(count);
    if (listing.Size() == 0) {
        return texts;
    }
    DWORD listed = count;
    if (d2xx.ListDevices(listing.Table(), &listed, FT_LIST_ALL | by) != FT_OK) {
        return std::nullopt;
    }
    const int n = std::min(static_cast<int>(std::min<DWORD>(listed, count)), listing.Size());
    for (int i = 0; i < n; ++i) {
        texts.push_back(listing.Text(i));
    }
    return texts;
}

int IndexOf(const std::vector<std::string>& texts, const std::string& text) {
    const auto it = std::find(texts.begin(), texts.end(), text);
    return it == texts.end() ? -1 : static_cast<int>(it - texts.begin());
}

// The device number the text names, read as the Open button reads it.
std::optional<int> ChosenNumber(const std::string& text) {
    if (text.empty()) {
        return 0;
    }
    if (text.size() > 2) {
        return std::nullopt;
    }
    const int number = LeadingInteger(text);
    if (number < 0 || number > kLargestDeviceNumber) {
        return std::nullopt;
    }
    return number;
}

// The index of the device the choice names, as the library opens it: -1 for
// none.
int ChosenIndex(D2xxApi& d2xx, DWORD count, const DeviceChoice& choice) {
    if (choice.openBy == kOpenByDescription || choice.openBy == kOpenBySerialNumber) {
        const DWORD by =
            choice.openBy == kOpenByDescription ? FT_OPEN_BY_DESCRIPTION : FT_OPEN_BY_SERIAL_NUMBER;
        const auto texts = ListTexts(d2xx, count, by);
        return texts ? IndexOf(*texts, choice.text) : -1;
    }
    const auto number = ChosenNumber(choice.text);
    return number && static_cast<DWORD>(*number) < count ? *number : -1;
}

}  // namespace

std::string SerialOfChosenDevice(D2xxApi& d2xx, const DeviceChoice& choice) {
    const auto count = CountDevices(d2xx);
    if (!count) {
        return {};
    }
    const int index = ChosenIndex(d2xx, *count, choice);
    if (index < 0) {
        return {};
    }
    if (choice.openBy == kOpenBySerialNumber) {
        return choice.text;
    }
    const auto serials = ListTexts(d2xx, *count, FT_OPEN_BY_SERIAL_NUMBER);
    return serials && index < static_cast<int>(serials->size())
               ? (*serials)[static_cast<size_t>(index)]
               : std::string();
}

std::optional<DeviceChoice> LocateWatchedDevice(D2xxApi& d2xx, const WatchedDevice& device) {
    const auto count = CountDevices(d2xx);
    if (!count || *count == 0) {
        return std::nullopt;
    }
    if (device.serial.empty()) {
        if (ChosenIndex(d2xx, *count, device.choice) < 0) {
            return std::nullopt;
        }
        return device.choice;
    }
    const auto serials = ListTexts(d2xx, *count, FT_OPEN_BY_SERIAL_NUMBER);
    if (!serials) {
        return std::nullopt;
    }
    const int index = IndexOf(*serials, device.serial);
    if (index < 0) {
        return std::nullopt;
    }
    if (device.choice.openBy == kOpenBySerialNumber ||
        ChosenIndex(d2xx, *count, device.choice) == index) {
        return device.choice;
    }
    return DeviceChoice{kOpenBySerialNumber, device.serial};
}

}  // namespace ferrule
