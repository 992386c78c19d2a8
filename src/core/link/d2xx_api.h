// The D2XX entry-point table: the driver library loaded at run time, the
// fifteen functions bound by name, the open device's handle, and the thirteen
// wrappers through which every byte to and from the controller passes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/link/d2xx_entry_points.h"
#include "core/link/ftty_open_error.h"

namespace ferrule {

class D2xxApi {
public:
    // Shows a message to the user; called on whichever thread made the call.
    using Reporter = std::function<void(const std::string& message)>;

    explicit D2xxApi(Reporter reporter) : m_report(std::move(reporter)) {}
    ~D2xxApi();
    D2xxApi(const D2xxApi&) = delete;
    D2xxApi& operator=(const D2xxApi&) = delete;

    // Loads the library (a bare name uses the usual library search) and binds
    // the entry points in order, stopping at the first one missing. Each
    // failure is reported once.
    void LoadD2xx(const std::string& libraryName);
    // As above with the first of `candidates` that loads. Only when none does
    // is the load failure reported, naming the first candidate.
    void LoadD2xx(const std::vector<std::string>& candidates);
    // Releases the library once; later calls do nothing.
    void FreeLibrary();

    // Each wrapper reports an entry point that was never resolved and returns
    // FT_INVALID_HANDLE; otherwise it returns the library's status unchanged.
    FT_STATUS Write(const void* buffer, DWORD count, DWORD* written);
    FT_STATUS Read(void* buffer, DWORD count, DWORD* returned);
    FT_STATUS Open(int device);
    FT_STATUS OpenEx(const std::string& text, DWORD flags);
    FT_STATUS ListDevices(void* arg1, void* arg2, DWORD flags);
    // Closes the device and forgets its handle, waiting for a write that another
    // thread has in flight, so that no call ever reaches a closed handle.
    FT_STATUS Close();
    FT_STATUS ResetDevice();
    FT_STATUS Purge(ULONG mask);
    FT_STATUS SetTimeouts(ULONG readTimeout, ULONG writeTimeout);
    FT_STATUS GetQueueStatus(DWORD* waiting);
    FT_STATUS SetBaudRate(ULONG baudRate);
    FT_STATUS SetLatencyTimer(UCHAR milliseconds);
    FT_STATUS SetUSBParameters(ULONG inTransferSize, ULONG outTransferSize);

    // Why the last FT_Open or FT_OpenEx on this thread failed, from a library
    // that can tell (the bundled serial back end's ftty_last_open_error): one
    // of the FTTY_OPEN_ERROR_ categories, and the reason in *text. A library
    // without the function answers FTTY_OPEN_ERROR_NONE and an empty text.
    uint32_t LastOpenError(std::string* text) const;

    bool IsLoaded() const { return m_hD2xx != nullptr; }
    // The file of the loaded library, as the loader found it; empty when none
    // is loaded.
    const std::string& LoadedPath() const { return m_loadedPath; }
    // Counts the writes made so far, from any thread.
    uint64_t WriteCount() const { return m_writeCount.load(std::memory_order_relaxed); }

private:
    // How a call treats the device handle: read as it is, or held against a
    // change for the length of the call (writes, which the link-test worker
    // makes, and the calls that set or clear the handle).
    enum class Handle { Read, Held };
    // The one way every wrapper calls the library: an entry that was never
    // resolved is reported, without the handle's mutex (the report may wait
    // for the user, and a poll or a write made meanwhile must not find the
    // mutex held); otherwise `run` calls it.
    template <typename Entry, typename Run>
    FT_STATUS Call(Entry D2xxTable::*entry, const char* name, Handle handle, Run run) {
        if (m_table.*entry == nullptr) {
            return Unresolved(name);
        }
        if (handle == Handle::Read) {
            return run(m_table.*entry);
        }
        std::lock_guard lock(m_handleMutex);
        Entry function = m_table.*entry;  // the library may have been released meanwhile
        return function != nullptr ? run(function) : FT_INVALID_HANDLE;
    }
    FT_STATUS Unresolved(const char* name);

    Reporter m_report;
    void* m_hD2xx = nullptr;
    std::string m_loadedPath;
    FT_HANDLE m_ftHandle = nullptr;
    // Held by writes (which the link-test worker makes) and by anything that
    // changes the handle.
    std::mutex m_handleMutex;
    std::atomic<uint64_t> m_writeCount{0};
    D2xxTable m_table;
    // Optional: bound when the library has it, with no message when not.
    PFN_ftty_last_open_error m_lastOpenError = nullptr;
};

}  // namespace ferrule
