// One open serial port behind a D2XX handle: raw 8N1 without flow control,
// reads and writes with millisecond time-outs waited for with poll() and a
// deadline, the receive queue through FIONREAD. A port whose device went
// away (unplugged: the tty is hung up, its calls fail with EIO or ENODEV, or
// poll reports POLLHUP or POLLERR) answers FT_IO_ERROR.
//
// Calls may come from several threads at once (the program writes from a
// worker while it polls): the time-outs are atomic and the descriptor stays
// open until the last call holding the port has returned.
//
// An open port is ours alone: it holds an advisory lock (flock), which serial
// programs on Linux take and which refuses a second opener even when it runs
// as root, and the terminal's exclusive flag (TIOCEXCL), which refuses other
// openers that take no lock, root excepted. Both are released when the port
// is shut or destroyed, and the flag also on a crash (tty_crash_release.h).
#pragma once

#include <sys/types.h>

#include <atomic>
#include <filesystem>
#include <memory>

#include "core/link/d2xx_types.h"

namespace ftty {

class Port {
public:
    // Opens, claims and configures the device node. FT_DEVICE_NOT_FOUND when
    // there is no node, FT_DEVICE_NOT_OPENED when it cannot be opened (no
    // permission, held by another program, not a terminal); the reason is
    // recorded for ftty_last_open_error. A port held by another program is
    // refused before any of its settings are touched.
    static FT_STATUS Open(const std::filesystem::path& node, const std::filesystem::path& portDir,
                          std::shared_ptr<Port>* port);
    ~Port();
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    // The terminal device this port is open on.
    dev_t Device() const { return m_device; }

    FT_STATUS Write(const void* buffer, DWORD count, DWORD* written);
    FT_STATUS Read(void* buffer, DWORD count, DWORD* returned);
    FT_STATUS QueueStatus(DWORD* waiting);
    FT_STATUS Purge(ULONG mask);
    FT_STATUS SetBaudRate(ULONG baud);
    FT_STATUS SetLatencyTimer(UCHAR milliseconds);
    FT_STATUS SetDataCharacteristics(UCHAR bits, UCHAR stopBits, UCHAR parity);
    FT_STATUS SetFlowControl(USHORT flow);
    // 0 is no time-out: the call waits until it is done.
    void SetTimeouts(ULONG readMs, ULONG writeMs);
    // The handle is being closed: calls waiting now return FT_INVALID_HANDLE,
    // and other programs may open the device again at once.
    void Shut();

private:
    enum class Wait { Ready, TimedOut, Gone, Shut };

    Port(int fd, int wakeFd, dev_t device, std::filesystem::path portDir);
    // Waits until the descriptor is ready for events or the deadline (in
    // milliseconds of the steady clock, negative for none) has passed.
    Wait WaitFor(short events, int64_t deadlineMs);
    // Gives up the lock and the exclusive flag; once.
    void Release();

    const int m_fd;
    const int m_wakeFd;  // an eventfd that Shut signals
    const dev_t m_device;
    const std::filesystem::path m_portDir;
    std::atomic<ULONG> m_readTimeoutMs{0};
    std::atomic<ULONG> m_writeTimeoutMs{0};
    std::atomic<bool> m_shut{false};
    std::atomic<bool> m_released{false};
};

}  // namespace ftty
