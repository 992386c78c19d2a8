#include "sim_call_log.h"

#include <cstdarg>
#include <cstdio>

namespace fsim {

void CallLog::Add(const char* format, ...) {
    if (!m_recording) {
        return;
    }
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    m_text += line;
    m_text += '\n';
    if (m_text.size() > kCapacity) {
        const size_t cut = m_text.find('\n', m_text.size() - kCapacity);
        m_text.erase(0, cut == std::string::npos ? m_text.size() : cut + 1);
    }
}

}  // namespace fsim
