// The panel's plain fields: the settings the user works with and the link's
// status line, each as the panel shows it. The panel exchanges them with its
// controls; a front end without a panel reads and writes them directly.
#pragma once

#include <string>

namespace ferrule {

inline constexpr const char* kDevicePlaceholderText =
    "Enter device Description or Serial Number here.";

// Radio-group fields hold the index of the checked radio, -1 when none is.
struct PanelFields {
    std::string m_strStatus;  // the status line; commands go out only while it reads ready
    int m_nReceivedBytes = 0;
    std::string m_strDevice = kDevicePlaceholderText;
    int m_nOpenBy = 0;        // 0 description, 1 serial number, 2 device number
    int m_nNdSteps = 0;       // neutral-density steps, last sent or reported
    int m_nShutter = -1;      // 0 open, 1 closed
    int m_nShutterMode = -1;  // 0 Fast, 1 Soft, 2 Neutral Density
    int m_nSyncLevel = -1;    // 0 high for open, 1 low for open, -1 SYNC off
    int m_nTimerSelect = -1;  // 0 closed time, 1 exposure time
    std::string m_strMinute;
    std::string m_strSecond;
    std::string m_strHour;
    std::string m_strMillisecond;
    std::string m_strTenthMs;
    int m_nFreeRunOption = -1;  // 0 On Power Up, 1 On Trigger Pulse, 2 Go
    std::string m_strRepeatCount;
    std::string m_strCyclesLeft;
    int m_nTriggerMode = -1;  // 0-3 the four input modes, -1 trigger input off
};

}  // namespace ferrule
