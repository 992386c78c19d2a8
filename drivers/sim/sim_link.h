// The link from the controller to the host: bytes cross it one after the
// other at 128000 baud, 12,800 bytes a second, so each byte arrives one byte
// time after the previous one at the earliest. Bytes that have arrived wait
// in the host's receive queue until read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace fsim {

class Link {
public:
    static constexpr uint64_t kByteNs = 78'125;  // one byte at 12,800 bytes a second
    // Everything queued, arrived or on the way. Bytes beyond it are lost.
    static constexpr size_t kCapacity = 16u << 20;

    // Puts a byte on the line at producedUs, behind those still on the way.
    // Returns false when the queue is full and the byte is lost.
    bool Send(uint8_t byte, uint64_t producedUs);
    // Bytes still to be transmitted at atUs.
    size_t Backlog(uint64_t atUs) const;
    // Bytes that have arrived by nowUs and not been taken.
    size_t Arrived(uint64_t nowUs) const;
    // Everything queued, arrived or still on the way.
    size_t Queued() const { return m_size; }
    // The time the count-th queued byte arrives (rounded up to a whole
    // microsecond), if that many are queued.
    std::optional<uint64_t> ArrivalUs(size_t count) const;
    // Moves up to max arrived bytes out of the queue.
    size_t Take(uint8_t* out, size_t max, uint64_t nowUs);
    void Clear();

private:
    // Bytes sent back to back: byte i arrives at firstNs + i * kByteNs.
    // Bytes taken from the front of a run before the run gives their room back.
    static constexpr size_t kCompactAfter = 4096;

    struct Run {
        uint64_t firstNs = 0;
        std::vector<uint8_t> bytes;
        size_t head = 0;  // bytes already taken
    };

    std::deque<Run> m_runs;
    size_t m_size = 0;
    uint64_t m_lineFreeNs = 0;  // when the last byte sent has arrived
};

}  // namespace fsim
