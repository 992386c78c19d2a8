#include "decoder_input.h"

#include <algorithm>
#include <string>

#include "core/engine/controller_engine.h"

namespace {

class InputReader {
public:
    InputReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_pos >= m_size; }
    uint8_t Byte() { return Empty() ? 0 : m_data[m_pos++]; }
    // A small signed value around the states' ranges, -2 to 22.
    int State() { return static_cast<int>(Byte() % 25) - 2; }
    const uint8_t* Rest() const { return m_data + m_pos; }
    size_t Left() const { return Empty() ? 0 : m_size - m_pos; }
    void Skip(size_t n) { m_pos += n; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

std::string RepeatText(uint8_t choice) {
    switch (choice % 4) {
        case 0:
            return "Continuous";
        case 1:
            return "";
        case 2:
            return "-3";
        default:
            return std::to_string(choice);
    }
}

// Takes in what the engine logs and shows, as a view would, so that every
// text it makes is made.
class Sink : public ferrule::EngineHooks {
public:
    void LogRawByte(uint8_t byte) override { m_bytes += byte; }
    void LogLine(const std::string& text) override { m_bytes += text.size(); }
    void ShowText(ferrule::Display, const std::string& text) override { m_bytes += text.size(); }

private:
    size_t m_bytes = 0;
};

}  // namespace

void RunDecoderInput(const uint8_t* data, size_t size) {
    // No driver library behind the engine: its own writes go nowhere.
    ferrule::D2xxApi d2xx([](const std::string&) {});
    Sink sink;
    ferrule::ControllerEngine engine(d2xx, sink);
    InputReader in(data, size);
    ferrule::ProtocolState& state = engine.State();
    state.m_nFreeRunCountMode = in.State();
    state.m_nFreeRunCountEdge = in.State();
    state.m_nInfoReplyCount = in.State();
    state.m_nStatusReplyCount = in.State();
    state.m_nApplyEchoCount = in.State();
    state.m_nApplyNextAt = in.State();
    state.m_nResetPending = in.State();
    state.m_nRepeatCountHigh = in.Byte() << 8;
    ferrule::PanelFields& fields = engine.Fields();
    fields.m_strRepeatCount = RepeatText(in.Byte());
    fields.m_strCyclesLeft = RepeatText(in.Byte());
    fields.m_nTriggerMode = in.State() % 5;

    while (!in.Empty()) {
        const size_t chunk = 1 + in.Byte() % 64;
        const size_t n = std::min(chunk, in.Left());
        engine.DecodeBatch(in.Rest(), n);
        in.Skip(n);
    }
}
