#include "sim_link.h"

#include <algorithm>

namespace fsim {

bool Link::Send(uint8_t byte, uint64_t producedUs) {
    if (m_size >= kCapacity) {
        return false;
    }
    const uint64_t producedNs = producedUs * 1000;
    if (m_runs.empty() || producedNs > m_lineFreeNs) {
        m_runs.push_back(Run{std::max(producedNs, m_lineFreeNs) + kByteNs, {}, 0});
    }
    m_runs.back().bytes.push_back(byte);
    m_lineFreeNs = m_runs.back().firstNs + (m_runs.back().bytes.size() - 1) * kByteNs;
    ++m_size;
    return true;
}

size_t Link::Backlog(uint64_t atUs) const {
    const uint64_t atNs = atUs * 1000;
    if (m_lineFreeNs <= atNs) {
        return 0;
    }
    return (m_lineFreeNs - atNs + kByteNs - 1) / kByteNs;
}

size_t Link::Arrived(uint64_t nowUs) const {
    const uint64_t nowNs = nowUs * 1000;
    size_t count = 0;
    for (const Run& run : m_runs) {
        if (run.firstNs > nowNs) {
            break;
        }
        const size_t reached =
            std::min<uint64_t>(run.bytes.size(), (nowNs - run.firstNs) / kByteNs + 1);
        count += reached > run.head ? reached - run.head : 0;
        if (reached < run.bytes.size()) {
            break;
        }
    }
    return count;
}

std::optional<uint64_t> Link::ArrivalUs(size_t count) const {
    if (count == 0) {
        return 0;
    }
    for (const Run& run : m_runs) {
        const size_t waiting = run.bytes.size() - run.head;
        if (count <= waiting) {
            const uint64_t ns = run.firstNs + (run.head + count - 1) * kByteNs;
            return (ns + 999) / 1000;
        }
        count -= waiting;
    }
    return std::nullopt;
}

size_t Link::Take(uint8_t* out, size_t max, uint64_t nowUs) {
    const size_t count = std::min(max, Arrived(nowUs));
    size_t taken = 0;
    while (taken < count) {
        Run& run = m_runs.front();
        const size_t n = std::min(count - taken, run.bytes.size() - run.head);
        std::copy_n(run.bytes.begin() + run.head, n, out + taken);
        run.head += n;
        taken += n;
        if (run.head == run.bytes.size()) {
            m_runs.pop_front();
        } else if (run.head >= kCompactAfter && run.head * 2 >= run.bytes.size()) {
            // A run that never ends (a steady stream) would otherwise keep every
            // byte it ever carried.
            run.bytes.erase(run.bytes.begin(), run.bytes.begin() + run.head);
            run.firstNs += run.head * kByteNs;
            run.head = 0;
        }
    }
    m_size -= taken;
    return taken;
}

void Link::Clear() {
    m_runs.clear();
    m_size = 0;
    m_lineFreeNs = 0;
}

}  // namespace fsim
