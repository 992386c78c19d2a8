#include "core/protocol/info_reply.h"

namespace ferrule {

void InfoReplyText::Store(int position, uint8_t byte) {
    if (position >= 1 && position <= kLength) {
        m_bytes[static_cast<size_t>(position - 1)] = byte;
    }
}

std::string InfoReplyText::Characters(int first, int count) const {
    std::string text;
    for (int i = first; i < first + count; ++i) {
        uint8_t byte = m_bytes[static_cast<size_t>(i)];
        text.push_back(byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.');
    }
    return text;
}

}  // namespace ferrule
