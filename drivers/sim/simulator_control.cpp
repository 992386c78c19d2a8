// The control API: the bus, the controllers' behaviour, faults, logs and the
// clock. A device index that does not exist makes a call do nothing.
#include <algorithm>
#include <cstring>

#include "sim/fsim_control.h"
#include "sim_bus_config.h"
#include "simulator.h"

namespace fsim {

void Simulator::Reset() {
    Lock lock(m_mutex);
    m_devices.clear();
    for (const DeviceIdentity& identity : DefaultBus()) {
        m_devices.push_back(std::make_unique<Device>(identity.description, identity.serial));
    }
    m_calls.SetRecording(false);
    m_calls.Clear();
    m_clock.Restart();
    m_changed.notify_all();
}

void Simulator::ClearDevices() {
    Lock lock(m_mutex);
    m_devices.clear();
    m_changed.notify_all();
}

int Simulator::AddDevice(const char* description, const char* serial) {
    Lock lock(m_mutex);
    auto device = std::make_unique<Device>(description ? description : "", serial ? serial : "");
    device->RunTo(m_clock.NowUs());
    m_devices.push_back(std::move(device));
    return static_cast<int>(m_devices.size()) - 1;
}

int Simulator::DeviceCount() {
    Lock lock(m_mutex);
    return static_cast<int>(m_devices.size());
}

void Simulator::SetProbeReply(int device, int mode, uint8_t otherFirstByte) {
    Lock lock(m_mutex);
    if (Device* d = At(device)) {
        const auto reply = mode == FSIM_PROBE_SILENT  ? ferrule::ProbeReply::Silent
                           : mode == FSIM_PROBE_OTHER ? ferrule::ProbeReply::Other
                                                      : ferrule::ProbeReply::Echo;
        d->Model().SetProbeReply(reply, otherFirstByte);
    }
}

void Simulator::SetSilent(int device, bool silent) {
    Lock lock(m_mutex);
    if (Device* d = At(device)) {
        d->SetSilent(silent);
    }
}

void Simulator::Inject(int device, const uint8_t* bytes, uint32_t count) {
    Lock lock(m_mutex);
    if (Device* d = At(device); d != nullptr && bytes != nullptr) {
        d->Inject(bytes, count, m_clock.NowUs());
        m_changed.notify_all();
    }
}

uint32_t Simulator::Written(int device, uint8_t* buffer, uint32_t capacity) {
    Lock lock(m_mutex);
    Device* d = At(device);
    if (d == nullptr) {
        return 0;
    }
    const auto& written = d->Written();
    if (buffer != nullptr) {
        std::copy_n(written.begin(), std::min<size_t>(capacity, written.size()), buffer);
    }
    return static_cast<uint32_t>(written.size());
}

void Simulator::ClearWritten(int device) {
    Lock lock(m_mutex);
    if (Device* d = At(device)) {
        d->ClearWritten();
    }
}

uint32_t Simulator::Calls(char* buffer, uint32_t capacity) {
    Lock lock(m_mutex);
    const std::string& text = m_calls.Text();
    if (buffer != nullptr && capacity > 0) {
        const size_t n = std::min<size_t>(text.size(), capacity - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<uint32_t>(text.size());
}

void Simulator::ClearCalls() {
    Lock lock(m_mutex);
    m_calls.Clear();
}

void Simulator::RecordCalls(bool on) {
    Lock lock(m_mutex);
    m_calls.SetRecording(on);
}

void Simulator::FailQueueStatus(int device, FT_STATUS status) {
    Lock lock(m_mutex);
    if (Device* d = At(device)) {
        d->faults.queueStatus = status;
    }
}

void Simulator::SetWriteStatus(int device, FT_STATUS status) {
    Lock lock(m_mutex);
    if (Device* d = At(device)) {
        d->faults.write = status;
    }
}

void Simulator::SetReadError(int device, FT_STATUS status, uint32_t count) {
    Lock lock(m_mutex);
    if (Device* d = At(device)) {
        d->faults.read = status;
        d->faults.readCount = count;
        m_changed.notify_all();
    }
}

void Simulator::TriggerPulse(int device) {
    Lock lock(m_mutex);
    if (Device* d = At(device)) {
        d->Model().TriggerPulse(m_clock.NowUs());
        m_changed.notify_all();
    }
}

void Simulator::PowerUp(int device) {
    Lock lock(m_mutex);
    if (Device* d = At(device)) {
        d->Model().PowerUp(m_clock.NowUs());
        m_changed.notify_all();
    }
}

void Simulator::UseManualClock(bool on) {
    Lock lock(m_mutex);
    m_clock.SetManual(on);
    m_changed.notify_all();
}

void Simulator::AdvanceUs(uint64_t us) {
    Lock lock(m_mutex);
    if (m_clock.Manual()) {
        m_clock.AdvanceTo(m_clock.NowUs() + us);
        m_changed.notify_all();
    }
}

uint64_t Simulator::NowUs() {
    Lock lock(m_mutex);
    return m_clock.NowUs();
}

}  // namespace fsim
