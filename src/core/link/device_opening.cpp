#include "core/link/device_opening.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "core/common/leading_integer.h"
#include "core/link/device_listing.h"
#include "core/link/device_profile.h"
#include "core/protocol/message_catalogue.h"

namespace ferrule {

namespace {

constexpr unsigned kLargestDeviceNumber = 64;

void* IndexArgument(int index) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<DWORD>(index)));
}

DWORD ListFlag(int openBy) {
    return openBy == kOpenByDescription ? FT_OPEN_BY_DESCRIPTION : FT_OPEN_BY_SERIAL_NUMBER;
}

}  // namespace

OpenAttempt OpenSelectedDevice(D2xxApi& d2xx, int openBy, const std::string& device) {
    if (device.find("Enter device Description") != std::string::npos) {
        return {FT_DEVICE_NOT_OPENED, OpenRefusal::NoDeviceText};
    }
    if (openBy == kOpenByDescription) {
        return {d2xx.OpenEx(device, FT_OPEN_BY_DESCRIPTION)};
    }
    if (openBy == kOpenBySerialNumber) {
        return {d2xx.OpenEx(device, FT_OPEN_BY_SERIAL_NUMBER)};
    }
    if (device.empty()) {
        return {d2xx.Open(0)};
    }
    if (device.size() <= 2) {
        const int number = LeadingInteger(device);
        if (static_cast<unsigned>(number) <= kLargestDeviceNumber) {
            return {d2xx.Open(number)};
        }
    }
    return {FT_DEVICE_NOT_OPENED, OpenRefusal::BadDeviceNumber};
}

bool ProbeResult::Succeeded() const {
    return answered && firstByte == controller::kOnline;
}

std::string ProbeResult::Suffix() const {
    if (!answered) {
        return {};
    }
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, " (0x%.2X)", firstByte);
    return suffix;
}

ProbeResult ConfigureAndProbe(D2xxApi& d2xx, bool fromOpen) {
    d2xx.ResetDevice();
    d2xx.SetTimeouts(3000, 3000);
    d2xx.Purge(FT_PURGE_RX);
    d2xx.SetLatencyTimer(2);
    d2xx.SetBaudRate(128000);
    d2xx.SetUSBParameters(64, 0);
    if (fromOpen) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    uint8_t probe = controller::kOnline;
    DWORD written = 0;
    d2xx.Write(&probe, 1, &written);

    uint8_t reply[2] = {0, 0};
    DWORD got = 0;
    d2xx.Read(reply, sizeof reply, &got);
    if (fromOpen) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (got == 0) {
        d2xx.Read(reply, sizeof reply, &got);
    }
    ProbeResult result;
    result.answered = got > 0 && got <= sizeof reply;
    result.firstByte = result.answered ? reply[0] : 0;
    return result;
}

std::vector<std::pair<int, std::string>> RefreshRememberedIdentity(
    D2xxApi& d2xx, int openBy, const RememberedTexts& remembered) {
    std::vector<std::pair<int, std::string>> changes;
    DWORD count = 0;
    d2xx.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY);
    DeviceListing listing(count);

    auto refresh = [&](int method, const std::string& found) {
        if (found != remembered[static_cast<size_t>(method)]) {
            changes.emplace_back(method, found);
        }
    };
    auto lookUp = [&](int index, DWORD by, std::string* text) {
        char buffer[DeviceListing::kBufferSize] = {};
        if (d2xx.ListDevices(IndexArgument(index), buffer, FT_LIST_BY_INDEX | by) != FT_OK) {
            return false;
        }
        *text = std::string(buffer, strnlen(buffer, sizeof buffer));
        return true;
    };

    if (openBy == kOpenByDescription || openBy == kOpenBySerialNumber) {
        const bool byDescription = openBy == kOpenByDescription;
        const std::string& wanted = remembered[static_cast<size_t>(openBy)];
        if (listing.Size() == 0 ||
            d2xx.ListDevices(listing.Table(), &count, FT_LIST_ALL | ListFlag(openBy)) != FT_OK) {
            return changes;
        }
        const int listed = std::min<int>(static_cast<int>(count), listing.Size());
        for (int j = 0; j < listed; ++j) {
            if (listing.Text(j) != wanted) {
                continue;
            }
            const int other = byDescription ? kOpenBySerialNumber : kOpenByDescription;
            std::string found;
            if (lookUp(j, ListFlag(other), &found)) {
                refresh(other, found);
            }
            if (LeadingInteger(remembered[kOpenByDeviceNumber]) != j) {
                refresh(kOpenByDeviceNumber, std::to_string(j));
            }
            return changes;
        }
        return changes;
    }

    const int n = LeadingInteger(remembered[kOpenByDeviceNumber]);
    std::string found;
    if (lookUp(n, FT_OPEN_BY_DESCRIPTION, &found)) {
        refresh(kOpenByDescription, found);
    }
    if (lookUp(n, FT_OPEN_BY_SERIAL_NUMBER, &found)) {
        refresh(kOpenBySerialNumber, found);
    }
    return changes;
}

// A count the library did not deliver is no devices.
DeviceSearch SearchDevices(D2xxApi& d2xx, int openBy) {
    DeviceSearch search;
    DWORD count = 0;
    if (d2xx.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK) {
        search.countFailed = true;
        return search;
    }
    search.lines.push_back(std::to_string(count) + " device(s) attached:");
    if (count == 0) {
        return search;
    }
    if (openBy == kOpenByDeviceNumber) {
        for (DWORD i = 0; i < count; ++i) {
            search.lines.push_back(std::to_string(i));
        }
    }
    if (openBy == kOpenByDescription || openBy == kOpenBySerialNumber) {
        count = 0;
        if (d2xx.ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY) != FT_OK) {
            return search;
        }
        DeviceListing listing(count);
        if (d2xx.ListDevices(listing.Table(), &count, FT_LIST_ALL | ListFlag(openBy)) == FT_OK) {
            const int listed = std::min<int>(static_cast<int>(count), listing.Size());
            for (int i = 0; i < listed; ++i) {
                search.lines.push_back(listing.Text(i));
            }
        } else {
            search.lines.push_back("ListDevices failed");
        }
    }
    return search;
}

}  // namespace ferrule
