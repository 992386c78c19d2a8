// Dialog templates: the controls of a dialog as data, in template order (which
// is also the tab order), with rectangles in dialog units. The panel and the
// small dialogs build their widgets from these tables. Qt-free.
#pragma once

#include <span>

namespace ferrule {

inline constexpr int kNoId = -1;  // labels, frames and drawings without an id

enum class ControlKind {
    PushButton,
    DefaultPushButton,
    RadioButton,  // automatic radio button
    CheckBox,     // automatic check box
    Edit,
    ListBox,
    DropDownList,  // combo box, drop-down list
    Trackbar,      // horizontal
    Static,        // text label
    GroupBox,
    Icon,  // the application icon
};

// Style flags, combined with |.
enum ControlStyle : unsigned {
    kStyleNone = 0,
    kGroupStart = 1u << 0,  // first control of a radio group
    kReadOnly = 1u << 1,
    kCentered = 1u << 2,  // centred text
    kBordered = 1u << 3,  // static with a border
    kNotify = 1u << 4,    // list box that reports selection changes
    kVScroll = 1u << 5,   // list box with a vertical scroll bar
    kSorted = 1u << 6,    // list box that sorts its items
    kLiveText = 1u << 7,  // text replaced at run time; its accessible name follows the text
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char* caption;  // window text; items of a combo box are separated by '\n'
    int x, y, cx, cy;     // dialog units
    unsigned style;
    const char* accessibleName;         // nullptr: the caption names the control
    const char* accessibleDescription;  // nullptr: none
};

struct DialogTemplate {
    int id;
    const char* caption;
    int cx, cy;  // dialog units
    std::span<const ControlTemplate> controls;
};

const DialogTemplate& PanelTemplate();     // template 102
const DialogTemplate& AboutBoxTemplate();  // template 100
const DialogTemplate& NdStepsTemplate();   // template 130, the neutral-density steps prompt

}  // namespace ferrule
