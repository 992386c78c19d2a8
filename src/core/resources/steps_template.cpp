// Template 130: the prompt for the number of neutral-density steps.
#include "core/resources/control_ids.h"
#include "core/resources/dialog_template.h"
#include "core/resources/strings.h"

namespace ferrule {
namespace {

using K = ControlKind;

constexpr ControlTemplate kNdStepsControls[] = {
    {kCtlSteps, K::Edit, "", 12, 22, 164, 14, kStyleNone, "Steps", nullptr},
    {kNoId, K::Static, "Please Enter Steps between 0-144", 12, 9, 164, 10, kStyleNone, nullptr,
     nullptr},
    {kCtlOk, K::DefaultPushButton, "OK", 70, 44, 50, 14, kStyleNone, nullptr, nullptr},
    {kCtlCancel, K::PushButton, "Cancel", 126, 44, 50, 14, kStyleNone, nullptr, nullptr},
};

constexpr DialogTemplate kNdSteps{kNdStepsTemplate, "Neutral Density Shutter", 188, 66,
                                  kNdStepsControls};

}  // namespace

const DialogTemplate& NdStepsTemplate() {
    return kNdSteps;
}

}  // namespace ferrule
