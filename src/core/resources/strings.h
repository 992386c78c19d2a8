// Resource numbers and the string resources of the program.
#pragma once

namespace ferrule {

// Dialog templates (see dialog_template.h).
inline constexpr int kAboutBoxTemplate = 100;
inline constexpr int kPanelTemplate = 102;
inline constexpr int kNdStepsTemplate = 130;

// Icon resource: the application icon, drawn at run time (app/app_icon.h).
inline constexpr int kAppIcon = 128;

// String 101: the About item of the panel's menu.
inline constexpr int kAboutMenuTextId = 101;
inline constexpr const char* kAboutMenuText = "&About Ferrule...";

// Command of the About item, and the panel's poll timer.
inline constexpr int kAboutCommandId = 16;
inline constexpr int kPollTimerId = 15;

// The confirmations asked before the controller's configuration is stored
// or its factory defaults restored.
inline constexpr const char* kStoreConfigConfirmation =
    "This will save all the current configurations to Quillon controller,\n"
    "the new configurations will be the initial setting when the controller\n"
    "power up next time!\n\nClick OK to save or Cancel to dismiss?";
inline constexpr const char* kRestoreDefaultsConfirmation =
    "This will restore the factory default configurations for Quillon controller!\n"
    "Are you sure?\n\nClick OK to restore or Cancel to dismiss?";

}  // namespace ferrule
