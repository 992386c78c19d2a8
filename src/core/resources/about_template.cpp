// Template 100: the About box.
#include "core/resources/control_ids.h"
#include "core/resources/dialog_template.h"
#include "core/resources/strings.h"
#include "core/version.h"

namespace ferrule {
namespace {

using K = ControlKind;

constexpr ControlTemplate kAboutControls[] = {
    {kNoId, K::Icon, "", 11, 14, 21, 21, kStyleNone, "Ferrule", nullptr},
    {kNoId, K::Static, "Ferrule Version " FERRULE_VERSION, 42, 10, 126, 9, kStyleNone, nullptr,
     nullptr},
    {kNoId, K::Static, "Panel for the Quillon shutter controller", 42, 24, 126, 9, kStyleNone,
     nullptr, nullptr},
    {kNoId, K::Static, "Copyright (C) the Ferrule developers", 42, 36, 126, 9, kStyleNone, nullptr,
     nullptr},
    {kCtlOk, K::DefaultPushButton, "OK", 178, 10, 50, 14, kStyleNone, nullptr, nullptr},
};

constexpr DialogTemplate kAboutBox{kAboutBoxTemplate, "About Ferrule", 235, 55, kAboutControls};

}  // namespace

const DialogTemplate& AboutBoxTemplate() {
    return kAboutBox;
}

}  // namespace ferrule
