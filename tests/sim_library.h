// The simulated controller library, opened with dlopen exactly as the program
// opens a driver, with every FT_ and fsim_ function as a typed pointer. The
// simulator is reset to its start state on construction. An entry point the
// library lacks stays null.
#pragma once

#include <dlfcn.h>

#include <string>

#include "core/link/d2xx_entry_points.h"
#include "sim/fsim_control.h"

class SimLibrary {
public:
#ifdef FSIM_LIBRARY_PATH
    SimLibrary() : SimLibrary(FSIM_LIBRARY_PATH) {}
#endif
    explicit SimLibrary(const std::string& path) : m_handle(dlopen(path.c_str(), RTLD_NOW)) {
        if (m_handle == nullptr) {
            return;
        }
#define SIM_LIBRARY_BIND(name, parameters) Bind(name, #name);
        FERRULE_D2XX_ENTRY_POINTS(SIM_LIBRARY_BIND)
#undef SIM_LIBRARY_BIND

        Bind(fsim_reset, "fsim_reset");
        Bind(fsim_clear_devices, "fsim_clear_devices");
        Bind(fsim_add_device, "fsim_add_device");
        Bind(fsim_device_count, "fsim_device_count");
        Bind(fsim_set_probe_reply, "fsim_set_probe_reply");
        Bind(fsim_set_silent, "fsim_set_silent");
        Bind(fsim_inject, "fsim_inject");
        Bind(fsim_written, "fsim_written");
        Bind(fsim_clear_written, "fsim_clear_written");
        Bind(fsim_calls, "fsim_calls");
        Bind(fsim_clear_calls, "fsim_clear_calls");
        Bind(fsim_record_calls, "fsim_record_calls");
        Bind(fsim_fail_queue_status, "fsim_fail_queue_status");
        Bind(fsim_set_write_status, "fsim_set_write_status");
        Bind(fsim_set_read_error, "fsim_set_read_error");
        Bind(fsim_trigger_pulse, "fsim_trigger_pulse");
        Bind(fsim_power_up, "fsim_power_up");
        Bind(fsim_use_manual_clock, "fsim_use_manual_clock");
        Bind(fsim_advance_us, "fsim_advance_us");
        Bind(fsim_now_us, "fsim_now_us");
        if (fsim_reset != nullptr) {
            fsim_reset();
        }
    }
    ~SimLibrary() {
        if (m_handle != nullptr) {
            dlclose(m_handle);
        }
    }
    SimLibrary(const SimLibrary&) = delete;
    SimLibrary& operator=(const SimLibrary&) = delete;

    bool Loaded() const {
        return m_handle != nullptr;
    }
    void* Symbol(const char* name) const {
        return m_handle ? dlsym(m_handle, name) : nullptr;
    }

    // The full text of the call log.
    std::string Calls() const {
        std::string text(fsim_calls(nullptr, 0) + 1, '\0');
        text.resize(fsim_calls(text.data(), static_cast<uint32_t>(text.size())));
        return text;
    }

#define SIM_LIBRARY_ENTRY(name, parameters) PFN_##name name = nullptr;
    FERRULE_D2XX_ENTRY_POINTS(SIM_LIBRARY_ENTRY)
#undef SIM_LIBRARY_ENTRY

    decltype(&::fsim_reset) fsim_reset = nullptr;
    decltype(&::fsim_clear_devices) fsim_clear_devices = nullptr;
    decltype(&::fsim_add_device) fsim_add_device = nullptr;
    decltype(&::fsim_device_count) fsim_device_count = nullptr;
    decltype(&::fsim_set_probe_reply) fsim_set_probe_reply = nullptr;
    decltype(&::fsim_set_silent) fsim_set_silent = nullptr;
    decltype(&::fsim_inject) fsim_inject = nullptr;
    decltype(&::fsim_written) fsim_written = nullptr;
    decltype(&::fsim_clear_written) fsim_clear_written = nullptr;
    decltype(&::fsim_calls) fsim_calls = nullptr;
    decltype(&::fsim_clear_calls) fsim_clear_calls = nullptr;
    decltype(&::fsim_record_calls) fsim_record_calls = nullptr;
    decltype(&::fsim_fail_queue_status) fsim_fail_queue_status = nullptr;
    decltype(&::fsim_set_write_status) fsim_set_write_status = nullptr;
    decltype(&::fsim_set_read_error) fsim_set_read_error = nullptr;
    decltype(&::fsim_trigger_pulse) fsim_trigger_pulse = nullptr;
    decltype(&::fsim_power_up) fsim_power_up = nullptr;
    decltype(&::fsim_use_manual_clock) fsim_use_manual_clock = nullptr;
    decltype(&::fsim_advance_us) fsim_advance_us = nullptr;
    decltype(&::fsim_now_us) fsim_now_us = nullptr;

private:
    template <typename Function>
    void Bind(Function& function, const char* name) {
        function = reinterpret_cast<Function>(dlsym(m_handle, name));
    }

    void* m_handle = nullptr;
};
