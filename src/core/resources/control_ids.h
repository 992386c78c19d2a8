// The control ids of the panel's template, of the steps prompt and of the
// About box's OK: the one list that the templates, the wiring, the handlers
// and the tests name controls by. The numbers are the templates' own.
#pragma once

namespace ferrule {

enum ControlId : int {
    // The panel (template 102), in the order of its areas.
    kCtlExit = 1,  // the default button
    kCtlOpenByDescription = 1027,
    kCtlOpenBySerialNumber = 1028,
    kCtlOpenByDeviceNumber = 1029,
    kCtlDevice = 1026,
    kCtlSearch = 1030,
    kCtlOpen = 1024,
    kCtlStatusLine = 1015,
    kCtlBlinkLeds = 1017,
    kCtlBlinkOff = 1018,
    kCtlSpeed = 1006,
    kCtlReceivedData = 1019,
    kCtlReceivedBytes = 1021,
    kCtlClear = 1023,

    kCtlOnLine = 1041,
    kCtlReset = 1042,
    kCtlStatus = 1043,
    kCtlShutterOpen = 1065,
    kCtlShutterClose = 1066,
    kCtlModeFast = 1055,
    kCtlModeSoft = 1056,
    kCtlModeNd = 1057,
    kCtlTriggerPulse = 1087,
    kCtlEnableOnHigh = 1058,
    kCtlEnableOnLow = 1059,
    kCtlTriggerOnRisingEdge = 1110,
    kCtlTriggerOnFallingEdge = 1111,
    kCtlSyncPulse = 1088,
    kCtlHighForOpen = 1061,
    kCtlLowForOpen = 1062,

    kCtlClosedTimeDisplay = 1103,
    kCtlExposureTimeDisplay = 1104,
    kCtlCycleTimeDisplay = 1105,
    kCtlOpeningTransition = 1100,
    kCtlClosingTransition = 1099,
    kCtlTimerSelect = 1090,
    kCtlHour = 1079,
    kCtlMinute = 1080,
    kCtlSecond = 1081,
    kCtlMillisecond = 1082,
    kCtlTenthMs = 1089,
    kCtlHourSlider = 1098,
    kCtlMinuteSlider = 1097,
    kCtlSecondSlider = 1095,
    kCtlMillisecondSlider = 1093,
    kCtlTenthMsSlider = 1096,
    kCtlSetTimer = 1044,

    kCtlRepeatCount = 1083,
    kCtlSendRepeatCount = 1052,
    kCtlOnPowerUp = 1063,
    kCtlOnTriggerPulse = 1064,
    kCtlGo = 1068,
    kCtlStop = 1050,
    kCtlCyclesLeft = 1084,

    kCtlSaveConfig = 1045,
    kCtlLoadConfig = 1047,
    kCtlApply = 1048,
    kCtlSaveConfigToController = 1046,
    kCtlRestoreDefault = 1051,

    kCtlGetControllerInfo = 1049,
    kCtlPowerOn = 1053,
    kCtlPowerOff = 1054,

    kCtlCommandGroup = 1107,
    kCtlLinkGroup = 1106,

    // The steps prompt (template 130). Its OK and Cancel carry the numbers of
    // the answers kIdOk and kIdCancel; the About box's OK is kCtlOk as well.
    kCtlSteps = 1075,
    kCtlOk = 1,
    kCtlCancel = 2,
};

}  // namespace ferrule
