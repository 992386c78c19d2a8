// Bytes in and out: writes to the controller, the receive queue, reads that
// wait with the read time-out, and purging.
#include <algorithm>

#include "simulator.h"

namespace fsim {

FT_STATUS Simulator::Write(FT_HANDLE handle, const void* buffer, DWORD count, DWORD* written) {
    Lock lock(m_mutex);
    m_calls.Add("FT_Write(%u)", count);
    Device* device = Opened(handle);
    if (device == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (buffer == nullptr && count > 0) {
        return kInvalidParameter;
    }
    if (device->faults.write != FT_OK) {
        if (written != nullptr) {
            *written = 0;
        }
        return device->faults.write;
    }
    device->Write(static_cast<const uint8_t*>(buffer), count, m_clock.NowUs());
    if (written != nullptr) {
        *written = count;
    }
    m_changed.notify_all();
    return FT_OK;
}

FT_STATUS Simulator::GetQueueStatus(FT_HANDLE handle, DWORD* waiting) {
    Lock lock(m_mutex);
    m_calls.Add("FT_GetQueueStatus()");
    Device* device = Opened(handle);
    if (device == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (device->faults.queueStatus != FT_OK) {
        return device->faults.queueStatus;
    }
    if (waiting == nullptr) {
        return kInvalidParameter;
    }
    const uint64_t now = m_clock.NowUs();
    device->RunTo(now);
    *waiting = static_cast<DWORD>(device->Receive().Arrived(now));
    return FT_OK;
}

FT_STATUS Simulator::Purge(FT_HANDLE handle, ULONG mask) {
    Lock lock(m_mutex);
    m_calls.Add("FT_Purge(%u)", mask);
    Device* device = Opened(handle);
    if (device == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (mask & FT_PURGE_RX) {
        device->RunTo(m_clock.NowUs());
        device->Receive().Clear();
    }
    return FT_OK;
}

// A read returns once it has all the bytes it asked for, or when its time-out
// expires with those that have arrived; a time-out of 0 means no time-out.
// With the manual clock the wait moves the clock instead of sleeping: to the
// arrival of the last byte needed, to the controller's next movement (which
// may send it), or to the deadline, whichever comes first. A read without a
// time-out on the manual clock waits only for the bytes already on their way.
FT_STATUS Simulator::Read(FT_HANDLE handle, void* buffer, DWORD count, DWORD* returned) {
    Lock lock(m_mutex);
    m_calls.Add("FT_Read(%u)", count);
    Device* device = Opened(handle);
    if (device == nullptr) {
        return FT_INVALID_HANDLE;
    }
    if (returned == nullptr || (buffer == nullptr && count > 0)) {
        return kInvalidParameter;
    }
    *returned = 0;
    auto* out = static_cast<uint8_t*>(buffer);
    uint64_t now = m_clock.NowUs();
    device->RunTo(now);

    if (device->faults.read != FT_OK) {
        const FT_STATUS status = device->faults.read;
        const size_t most = std::min<size_t>(count, device->faults.readCount);
        device->faults.read = FT_OK;
        *returned = static_cast<DWORD>(device->Receive().Take(out, most, now));
        return status;
    }

    const ULONG timeoutMs = device->open.readTimeoutMs;
    const uint64_t deadline = now + uint64_t{timeoutMs} * 1000;
    while (device->Receive().Arrived(now) < count && (timeoutMs == 0 || now < deadline)) {
        std::optional<uint64_t> wake;
        if (timeoutMs != 0) {
            wake = deadline;
        }
        auto soonest = [&wake](uint64_t us) { wake = wake ? std::min(*wake, us) : us; };
        const Link& link = device->Receive();
        if (auto arrival = link.ArrivalUs(count)) {
            soonest(*arrival);
        } else if (!wake && m_clock.Manual()) {
            // No time-out on the manual clock: the read cannot wait for ever,
            // so it waits for the bytes already on their way and no longer.
            if (link.Queued() == link.Arrived(now)) {
                break;
            }
            wake = link.ArrivalUs(link.Queued());
        } else if (auto movement = device->Model().NextEventUs()) {
            soonest(*movement);
        }
        WaitUntil(lock, wake);
        device = Opened(handle);
        if (device == nullptr) {
            return FT_INVALID_HANDLE;  // closed, or the bus was reset, meanwhile
        }
        now = m_clock.NowUs();
        device->RunTo(now);
    }
    *returned = static_cast<DWORD>(device->Receive().Take(out, count, now));
    return FT_OK;
}

void Simulator::WaitUntil(Lock& lock, std::optional<uint64_t> wakeUs) {
    if (m_clock.Manual()) {
        m_clock.AdvanceTo(*wakeUs);
    } else if (wakeUs) {
        m_changed.wait_until(lock, m_clock.RealTimeOf(*wakeUs));
    } else {
        m_changed.wait(lock);
    }
}

}  // namespace fsim
