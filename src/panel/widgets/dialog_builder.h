// Builds the widgets of a dialog template. Dialog units become pixels through
// the font of the dialog, as the template's rectangles were designed for it.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <map>
#include <vector>

#include "core/resources/dialog_template.h"

class QButtonGroup;
class QWidget;

namespace ferrule {

// Pixels per dialog unit.
struct DialogUnits {
    double x;
    double y;
};

// x: a quarter of the font's average character width (over "A".."Z", "a".."z");
// y: an eighth of its line height.
DialogUnits DialogUnitsFor(const QFont& font);

QSize DialogPixelSize(const DialogTemplate& dialog, DialogUnits units);

// The control's rectangle in pixels. Edges are rounded, not sizes, so controls
// that touch in dialog units touch in pixels and never overlap.
QRect DialogPixelRect(const ControlTemplate& control, DialogUnits units);

struct BuiltDialog {
    std::map<int, QWidget*> controls;             // by id; unnamed controls are not in it
    std::vector<QButtonGroup*> radioGroups;       // one exclusive group per radio group
    std::vector<std::vector<int>> radioGroupIds;  // the ids of each group, in template order
};

// Creates the controls as children of `parent`, in template order, which is
// also their tab order.
BuiltDialog BuildDialogControls(const DialogTemplate& dialog, QWidget* parent, DialogUnits units);

}  // namespace ferrule
