// The log of D2XX calls, one line each, kept only while recording is on and
// bounded so that a long run cannot grow it without limit.
#pragma once

#include <cstddef>
#include <string>

namespace fsim {

class CallLog {
public:
    // The oldest lines are dropped beyond this many characters.
    static constexpr size_t kCapacity = 4u << 20;

    void SetRecording(bool on) { m_recording = on; }
    bool Recording() const { return m_recording; }
    // printf-style; the line feed is added.
    void Add(const char* format, ...) __attribute__((format(printf, 2, 3)));
    const std::string& Text() const { return m_text; }
    void Clear() { m_text.clear(); }

private:
    bool m_recording = false;
    std::string m_text;
};

}  // namespace fsim
