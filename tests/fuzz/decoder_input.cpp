#include "decoder_input.h"

#include <QCoreApplication>
#include <string>

#include "app/received_log_model.h"
#include "app/shutter_panel_dlg.h"
#include "protocol/decoder_state.h"

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

}  // namespace

void RunDecoderInput(CShutterPanelDlg& panel, const uint8_t* data, size_t size) {
    InputReader in(data, size);
    g_nFreeRunCountMode = in.State();
    g_nFreeRunCountEdge = in.State();
    g_nInfoReplyCount = in.State();
    g_nStatusReplyCount = in.State();
    g_nApplyEchoCount = in.State();
    g_nApplyNextAt = in.State();
    g_nResetPending = in.State();
    g_nRepeatCountHigh = in.Byte() << 8;
    panel.m_strRepeatCount = RepeatText(in.Byte());
    panel.m_strCyclesLeft = RepeatText(in.Byte());
    panel.m_nTriggerMode = in.State() % 5;
    panel.m_logReceived->Clear();
    panel.m_nReceivedBytes = 0;
    panel.UpdateData(false);  // the controls show the chosen texts, as the batches read them

    while (!in.Empty()) {
        size_t chunk = 1 + in.Byte() % 64;
        size_t n = std::min(chunk, in.Left());
        panel.DecodeBatch(in.Rest(), n);
        in.Skip(n);
    }
    // What the batches left to the event loop (repaints, scroll-bar updates)
    // runs now, so that every input starts from the same state.
    QCoreApplication::processEvents();
}
