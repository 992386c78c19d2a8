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

}  // namespace ferrule
