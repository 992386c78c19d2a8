// Template 102: the shutter panel. Controls in template order, which is also the
// tab order; rectangles in dialog units.
//
// Layout:
//   y   5-52   "USB Status and Test Command": the open method, the device row
//              with the status line, and the LED-blink test at the right.
//   y  61-376  "Vireo Shutter Control Command":
//              y  72-108  option columns: shutter, mode, trigger, SYNC;
//              y 112-280  " Timer ": the time bar with its displays, the timer
//                         selector, the five edits and the five sliders;
//              y 284-372  "Free Run", " Configuration ", " Controller ".
//   y 385-459  the received-data log, the byte count, Clear and EXIT.
#include "core/resources/control_ids.h"
#include "core/resources/dialog_template.h"
#include "core/resources/strings.h"
#include "core/version.h"

namespace ferrule {
namespace {

using K = ControlKind;

constexpr unsigned kRadioGroup = kGroupStart;
constexpr unsigned kDisplay = kCentered | kLiveText;

constexpr ControlTemplate kPanelControls[] = {
    // Open method.
    {kCtlOpenByDescription, K::RadioButton, "Description", 52, 18, 52, 10, kRadioGroup, nullptr,
     nullptr},
    {kCtlOpenBySerialNumber, K::RadioButton, "Serial Number ", 108, 18, 64, 10, kStyleNone, nullptr,
     nullptr},
    {kCtlOpenByDeviceNumber, K::RadioButton, "Dev #", 176, 18, 34, 10, kStyleNone, nullptr,
     nullptr},
    {kCtlDevice, K::Edit, "", 58, 32, 164, 14, kStyleNone, "Device", nullptr},
    // LED-blink test.
    {kCtlBlinkLeds, K::PushButton, "Blink LEDs", 398, 32, 44, 14, kStyleNone, nullptr, nullptr},
    {kCtlBlinkOff, K::PushButton, "Blink Off", 506, 32, 43, 14, kStyleNone, nullptr, nullptr},
    {kCtlSpeed, K::Trackbar, "", 446, 31, 56, 15, kStyleNone, "Speed", nullptr},
    {kCtlClear, K::PushButton, "Clear", 395, 417, 50, 14, kStyleNone, nullptr, nullptr},
    {kCtlExit, K::DefaultPushButton, "EXIT", 499, 417, 50, 14, kStyleNone, nullptr, nullptr},
    {kCtlOpen, K::PushButton, "Open", 226, 32, 36, 14, kStyleNone, nullptr, nullptr},
    {kCtlStatusLine, K::Edit, "", 266, 32, 124, 14, kReadOnly, "Status line", nullptr},
    {kCtlReceivedData, K::ListBox, "", 7, 396, 366, 63, kNotify | kVScroll,
     "Data Received:", nullptr},
    {kCtlReceivedBytes, K::Edit, "", 385, 396, 70, 14, kReadOnly | kCentered, "Received Bytes #",
     nullptr},
    {kCtlSearch, K::PushButton, "Search", 14, 32, 40, 14, kStyleNone, nullptr, nullptr},
    {kCtlOnLine, K::PushButton, "OnLine", 404, 353, 72, 14, kStyleNone, nullptr, nullptr},
    {kCtlReset, K::PushButton, "Reset", 480, 353, 62, 14, kStyleNone, nullptr, nullptr},
    {kCtlCommandGroup, K::GroupBox, "Vireo Shutter Control Command", 7, 61, 549, 315, kStyleNone,
     nullptr, nullptr},
    {kCtlStatus, K::PushButton, "Status", 480, 295, 62, 14, kStyleNone, nullptr, nullptr},
    // Shutter mode and shutter.
    {kCtlModeFast, K::RadioButton, "Fast", 140, 72, 86, 9, kRadioGroup, nullptr, nullptr},
    {kCtlModeSoft, K::RadioButton, "Soft", 140, 81, 86, 9, kStyleNone, nullptr, nullptr},
    {kCtlModeNd, K::RadioButton, "Neutral Density ", 140, 90, 86, 9, kLiveText, nullptr, nullptr},
    {kCtlShutterOpen, K::RadioButton, "Open", 54, 72, 36, 9, kRadioGroup, nullptr, nullptr},
    {kCtlShutterClose, K::RadioButton, "Close", 54, 81, 36, 9, kStyleNone, nullptr, nullptr},
    {kCtlLinkGroup, K::GroupBox, "USB Status and Test Command", 7, 5, 549, 47, kStyleNone, nullptr,
     nullptr},
    // Timer edits.
    {kCtlHour, K::Edit, "", 21, 215, 36, 14, kCentered, "HR", nullptr},
    {kCtlMinute, K::Edit, "", 64, 215, 36, 14, kCentered, "MIN", nullptr},
    {kCtlSecond, K::Edit, "", 107, 215, 36, 14, kCentered, "S", nullptr},
    {kCtlMillisecond, K::Edit, "", 150, 215, 36, 14, kCentered, "MS", nullptr},
    {kCtlTriggerPulse, K::CheckBox, "Trigger Pulse ->>", 240, 72, 70, 9, kStyleNone, nullptr,
     nullptr},
    {kCtlSetTimer, K::PushButton, "Set Timer on Controller", 21, 261, 208, 14, kStyleNone, nullptr,
     nullptr},
    {kCtlSyncPulse, K::CheckBox, "SYNC Pulse ->>", 416, 72, 66, 9, kStyleNone, nullptr, nullptr},
    {kCtlHighForOpen, K::RadioButton, "High for Open", 486, 72, 60, 9, kRadioGroup, nullptr,
     nullptr},
    {kCtlLowForOpen, K::RadioButton, "Low for Open", 486, 81, 60, 9, kStyleNone, nullptr, nullptr},
    {kCtlTenthMs, K::Edit, "", 193, 215, 36, 14, kCentered, ".1MS", nullptr},
    {kCtlTimerSelect, K::DropDownList, "Closed Time\nExposure Time", 69, 186, 90, 14, kStyleNone,
     "Select Timer:", nullptr},
    {kCtlSaveConfig, K::PushButton, "Save Config.", 244, 295, 68, 14, kStyleNone, nullptr, nullptr},
    {kCtlSaveConfigToController, K::PushButton, "Save CONFIG to Controller", 244, 353, 141, 14,
     kStyleNone, nullptr, nullptr},
    // Free-run options.
    {kCtlOnPowerUp, K::RadioButton, "On Power Up", 97, 312, 84, 10, kRadioGroup, nullptr, nullptr},
    {kCtlOnTriggerPulse, K::RadioButton, "On Trigger Pulse --->", 97, 322, 84, 10, kStyleNone,
     nullptr, nullptr},
    {kCtlGo, K::RadioButton, "Go ------------------------->", 97, 332, 92, 10, kStyleNone, nullptr,
     nullptr},
    {kCtlRepeatCount, K::Edit, "", 97, 295, 52, 14, kCentered, "Repeat Cycle Number:", nullptr},
    // Sliders and the time displays.
    {kCtlMillisecondSlider, K::Trackbar, "", 322, 251, 220, 12, kStyleNone, "0 - 1000 Milliseconds",
     nullptr},
    {kCtlClosingTransition, K::Static, "12 ms", 477, 133, 52, 10, kDisplay, nullptr,
     "Closing transition"},
    {kCtlTenthMsSlider, K::Trackbar, "", 322, 263, 220, 12, kStyleNone, "0 - 0.9 Milliseconds",
     nullptr},
    {kCtlSecondSlider, K::Trackbar, "", 322, 239, 220, 12, kStyleNone, "0 - 59 Seconds", nullptr},
    {kCtlMinuteSlider, K::Trackbar, "", 322, 227, 220, 12, kStyleNone, "0 - 59 Minute", nullptr},
    {kCtlOpeningTransition, K::Static, "12 ms", 227, 133, 52, 10, kDisplay, nullptr,
     "Opening transition"},
    {kCtlHourSlider, K::Trackbar, "", 322, 215, 220, 12, kStyleNone, "0 - 5 Hour", nullptr},
    {kCtlLoadConfig, K::PushButton, "Load Config.", 317, 295, 68, 14, kStyleNone, nullptr, nullptr},
    {kCtlClosedTimeDisplay, K::Static, "00:00:00:000:0", 33, 133, 190, 10, kDisplay, nullptr,
     "Closed time"},
    {kCtlExposureTimeDisplay, K::Static, "00:00:00:000:0", 283, 133, 190, 10, kDisplay, nullptr,
     "Exposure time"},
    {kCtlApply, K::PushButton, "Apply", 244, 324, 68, 14, kStyleNone, nullptr, nullptr},
    {kCtlCycleTimeDisplay, K::Static, "Cycle Time - 00:00:00:000:0", 182, 167, 200, 10, kDisplay,
     nullptr, "Cycle time"},
    {kCtlStop, K::PushButton, "STOP", 153, 353, 72, 14, kStyleNone, nullptr, nullptr},
    {kCtlRestoreDefault, K::PushButton, "Restore Default", 317, 324, 68, 14, kStyleNone, nullptr,
     nullptr},
    {kCtlSendRepeatCount, K::PushButton, "Send to Controller", 153, 295, 72, 14, kStyleNone,
     nullptr, nullptr},
    {kCtlCyclesLeft, K::Edit, "", 97, 353, 52, 14, kReadOnly | kCentered, "Left Cycle Number",
     nullptr},
    // Controller maintenance.
    {kCtlGetControllerInfo, K::PushButton, "Get Controller Info", 404, 295, 72, 14, kStyleNone,
     nullptr, nullptr},
    {kCtlPowerOn, K::PushButton, "Power On", 404, 324, 72, 14, kStyleNone, nullptr, nullptr},
    {kCtlPowerOff, K::PushButton, "Power Off", 480, 324, 62, 14, kStyleNone, nullptr, nullptr},
    // Trigger input.
    {kCtlEnableOnHigh, K::RadioButton, "Enable on High", 314, 72, 88, 9, kRadioGroup, nullptr,
     nullptr},
    {kCtlEnableOnLow, K::RadioButton, "Enable on Low", 314, 81, 88, 9, kStyleNone, nullptr,
     nullptr},
    {kCtlTriggerOnRisingEdge, K::RadioButton, "Trigger on Rising Edge", 314, 90, 88, 9, kStyleNone,
     nullptr, nullptr},
    {kCtlTriggerOnFallingEdge, K::RadioButton, "Trigger on Falling Edge", 314, 99, 88, 9,
     kStyleNone, nullptr, nullptr},

    // Labels, frames and drawings without an id.
    {kNoId, K::Static, "Data Received:", 7, 385, 80, 9, kStyleNone, nullptr, nullptr},
    {kNoId, K::Static, "Speed", 446, 18, 56, 10, kCentered, nullptr, nullptr},
    {kNoId, K::Static, "Received Bytes #", 385, 385, 70, 9, kCentered, nullptr, nullptr},
    {kNoId, K::Static, "Open by :", 14, 18, 36, 10, kStyleNone, nullptr, nullptr},
    {kNoId, K::Static, "Mode ->>", 104, 72, 34, 9, kStyleNone, nullptr, nullptr},
    {kNoId, K::Static, "Status ->>", 14, 72, 38, 9, kStyleNone, nullptr, nullptr},
    {kNoId, K::Static, "Select Timer:", 21, 186, 46, 14, kStyleNone, nullptr, nullptr},
    {kNoId, K::Static, "0 - 5 Hour", 243, 215, 76, 12, kStyleNone, nullptr, nullptr},
    {kNoId, K::Static, "0 - 59 Minute", 243, 227, 76, 12, kStyleNone, nullptr, nullptr},
    {kNoId, K::Static, "0 - 59 Seconds", 243, 239, 76, 12, kStyleNone, nullptr, nullptr},
    {kNoId, K::Static, "0 - 1000 Milliseconds", 243, 251, 76, 12, kStyleNone, nullptr, nullptr},
    {kNoId, K::Static, "0 - 0.9 Milliseconds", 243, 263, 76, 12, kStyleNone, nullptr, nullptr},
    {kNoId, K::Static, "Running Option ->>", 21, 312, 70, 10, kStyleNone, nullptr, nullptr},
    {kNoId, K::GroupBox, " Timer ", 14, 112, 535, 168, kStyleNone, nullptr, nullptr},
    {kNoId, K::Static, "Repeat Cycle Number:", 21, 295, 74, 14, kStyleNone, nullptr, nullptr},
    {kNoId, K::Static, "Closed Time - (hr : min : s : ms : 0.1ms)", 33, 123, 190, 10, kCentered,
     nullptr, nullptr},
    {kNoId, K::Static, "Exposure Time - (hr : min : s : ms : 0.1ms)", 283, 123, 190, 10, kCentered,
     nullptr, nullptr},
    {kNoId, K::Static, "Closing ", 477, 123, 52, 10, kCentered, nullptr, nullptr},
    {kNoId, K::Static, "Opening ", 227, 123, 52, 10, kCentered, nullptr, nullptr},
    {kNoId, K::Static, "A", 21, 144, 10, 10, kCentered | kBordered, nullptr, nullptr},
    {kNoId, K::Static, "A", 532, 144, 10, 10, kCentered | kBordered, nullptr, nullptr},
    // The time bar between the two "A" marks: closed time, opening, exposure
    // time, closing. The builder stretches the runs to fill the rectangle.
    {kNoId, K::Static,
     "|<-------------------------------------->|<-------->|<-------------------------------------->"
     "|<-------->|",
     33, 144, 496, 10, kCentered, "Time bar", nullptr},
    // The whole cycle, from one "A" to the next.
    {kNoId, K::Static, "|<===================================================================>|",
     21, 156, 521, 10, kCentered, "Cycle bar", nullptr},
    {kNoId, K::Static, "HR", 21, 205, 36, 9, kCentered, nullptr, nullptr},
    {kNoId, K::Static, "MIN", 64, 205, 36, 9, kCentered, nullptr, nullptr},
    {kNoId, K::Static, "S", 107, 205, 36, 9, kCentered, nullptr, nullptr},
    {kNoId, K::Static, "MS", 150, 205, 36, 9, kCentered, nullptr, nullptr},
    {kNoId, K::Static, ".1MS", 193, 205, 36, 9, kCentered, nullptr, nullptr},
    {kNoId, K::GroupBox, " Configuration ", 237, 284, 155, 88, kStyleNone, nullptr, nullptr},
    {kNoId, K::GroupBox, "Free Run", 14, 284, 218, 88, kStyleNone, nullptr, nullptr},
    {kNoId, K::GroupBox, " Controller ", 397, 284, 152, 88, kStyleNone, nullptr, nullptr},
    {kNoId, K::Static, "Left Cycle Number", 97, 344, 72, 9, kStyleNone, nullptr, nullptr},
};

constexpr DialogTemplate kPanel{kPanelTemplate, "Quillon Ferrule v" FERRULE_VERSION, 573, 465,
                                kPanelControls};

}  // namespace

const DialogTemplate& PanelTemplate() {
    return kPanel;
}

}  // namespace ferrule
