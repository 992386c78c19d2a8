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

#include "link/d2xx_types.h"
#include "tty/ftty_open_error.h"

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
    FT_HANDLE Handle() const { return m_ftHandle; }

private:
    FT_STATUS Unresolved(const char* name);

    Reporter m_report;
    void* m_hD2xx = nullptr;
    std::string m_loadedPath;
    FT_HANDLE m_ftHandle = nullptr;
    // Held by writes (which the link-test worker makes) and by anything that
    // changes the handle.
    std::mutex m_handleMutex;
    std::atomic<uint64_t> m_writeCount{0};

    PFN_FT_Write m_pWrite = nullptr;
    PFN_FT_Read m_pRead = nullptr;
    PFN_FT_Open m_pOpen = nullptr;
    PFN_FT_OpenEx m_pOpenEx = nullptr;
    PFN_FT_ListDevices m_pListDevices = nullptr;
    PFN_FT_Close m_pClose = nullptr;
    PFN_FT_ResetDevice m_pResetDevice = nullptr;
    PFN_FT_Purge m_pPurge = nullptr;
    PFN_FT_SetTimeouts m_pSetTimeouts = nullptr;
    PFN_FT_GetQueueStatus m_pGetQueueStatus = nullptr;
    PFN_FT_SetBaudRate m_pSetBaudRate = nullptr;
    PFN_FT_SetLatencyTimer m_pSetLatencyTimer = nullptr;
    PFN_FT_SetUSBParameters m_pSetUSBParameters = nullptr;
    PFN_FT_SetDataCharacteristics m_pSetDataCharacteristics = nullptr;
    PFN_FT_SetFlowControl m_pSetFlowControl = nullptr;
    // Optional: bound when the library has it, with no message when not.
    PFN_ftty_last_open_error m_pLastOpenError = nullptr;
};

}  // namespace ferrule
