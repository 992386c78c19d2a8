// Tests of the serial back end through its exported functions, against
// ferrule-sim processes behind real pseudo-terminals presented in a fake
// sysfs tree.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "controller_model/controller_model.h"
#include "core/link/ftty_open_error.h"
#include "fake_tree.h"
#include "pty_sim_process.h"
#include "sim_library.h"
#include "temp_dir.h"

class TtyTest : public ::testing::Test {
public:
    using Bytes = std::vector<uint8_t>;

protected:
    static constexpr const char* kDescription = "Quillon Shutter Controller";
    static constexpr const char* kSerial = "QSC00001";
    // Long enough for any answer on a busy machine; reads return as soon as
    // their bytes are in.
    static constexpr ULONG kPatienceMs = 5000;

    TtyTest() { EXPECT_TRUE(lib.Loaded()); }
    ~TtyTest() override {
        for (FT_HANDLE handle : m_opened) {
            lib.FT_Close(handle);
        }
    }

    // Starts a simulated controller and puts it on the fake bus as the port
    // <name> of USB device <usb>.
    PtySimProcess& AddController(const std::string& name = "ttyUSB0",
                                 const std::string& usb = "1-1",
                                 const std::string& description = kDescription,
                                 const std::string& serial = kSerial) {
        controllers.push_back(std::make_unique<PtySimProcess>());
        PtySimProcess& sim = *controllers.back();
        EXPECT_TRUE(sim.Ready());
        tree.AddUsbDevice(usb, description, serial);
        tree.AddPort(usb, 0, name, sim.SlavePath());
        return sim;
    }

    // An open handle, closed when the test ends.
    FT_HANDLE Open(int index = 0) {
        FT_HANDLE handle = nullptr;
        EXPECT_EQ(lib.FT_Open(index, &handle), FT_OK);
        return Keep(handle);
    }
    FT_HANDLE OpenEx(const std::string& text, DWORD flags) {
        FT_HANDLE handle = nullptr;
        EXPECT_EQ(lib.FT_OpenEx(const_cast<char*>(text.c_str()), flags, &handle), FT_OK);
        return Keep(handle);
    }
    FT_HANDLE Keep(FT_HANDLE handle) {
        if (handle != nullptr) {
            m_opened.push_back(handle);
            EXPECT_EQ(lib.FT_SetTimeouts(handle, kPatienceMs, kPatienceMs), FT_OK);
        }
        return handle;
    }
    void Close(FT_HANDLE handle) {
        EXPECT_EQ(lib.FT_Close(handle), FT_OK);
        std::erase(m_opened, handle);
    }

    void Write(FT_HANDLE handle, Bytes bytes) {
        DWORD written = 0;
        EXPECT_EQ(lib.FT_Write(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written),
                  FT_OK);
        EXPECT_EQ(written, bytes.size());
    }
    // Up to count bytes, by the handle's read time-out.
    Bytes Read(FT_HANDLE handle, DWORD count) {
        Bytes bytes(count);
        DWORD got = 0;
        EXPECT_EQ(lib.FT_Read(handle, bytes.data(), count, &got), FT_OK);
        bytes.resize(got);
        return bytes;
    }
    // The category and reason of this thread's last failed open.
    uint32_t LastOpenError(std::string* reason) {
        auto lastOpenError =
            reinterpret_cast<PFN_ftty_last_open_error>(lib.Symbol("ftty_last_open_error"));
        char text[512] = {};
        const uint32_t category = lastOpenError(text, sizeof text);
        *reason = text;
        return category;
    }
    DWORD Waiting(FT_HANDLE handle) {
        DWORD waiting = 0;
        EXPECT_EQ(lib.FT_GetQueueStatus(handle, &waiting), FT_OK);
        return waiting;
    }
    // Writes the probe and reads its two-byte answer.
    Bytes Probe(FT_HANDLE handle) {
        Write(handle, {0xEE});
        return Read(handle, 2);
    }

    // What the controller answers to these messages, written one after the
    // other: the model run on its own, without a link.
    static Bytes ModelAnswer(const std::vector<Bytes>& messages) {
        Bytes answer;
        ferrule::ControllerModel model(
            [&answer](uint64_t, uint8_t byte) { answer.push_back(byte); });
        uint64_t now = 0;
        for (const Bytes& message : messages) {
            model.Receive(message.data(), message.size(), now);
            now += 1000;
        }
        model.AdvanceTo(now + 60'000'000);
        return answer;
    }

    // Waits until the condition holds or the deadline passes.
    static bool WaitUntil(
        const std::function<bool()>& condition,
        std::chrono::milliseconds patience = std::chrono::milliseconds(kPatienceMs)) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (!condition()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    TempDir dir;
    FakeTree tree{dir};
    // Any D2XX-compatible library binds as the simulator's does.
    SimLibrary lib{FTTY_LIBRARY_PATH};
    std::vector<std::unique_ptr<PtySimProcess>> controllers;

private:
    std::vector<FT_HANDLE> m_opened;
};
