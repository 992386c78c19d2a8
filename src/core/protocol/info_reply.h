// The controller's information reply: twelve bytes of text after the echo of
// Get Controller Info, shown as a line of eight characters and one of four.
// The bytes are kept as they arrive, so a reply spread over several reads
// still shows exactly the bytes received, in order.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ferrule {

class InfoReplyText {
public:
    static constexpr int kLength = 12;

    // Stores reply byte number position (1 to 12).
    void Store(int position, uint8_t byte);
    // Reply bytes 1-8 and 9-12 as characters; a byte with no visible
    // character shows as '.'.
    std::string FirstLine() const { return Characters(0, 8); }
    std::string SecondLine() const { return Characters(8, 4); }

private:
    std::string Characters(int first, int count) const;
    std::array<uint8_t, kLength> m_bytes{};
};

}  // namespace ferrule
