// The dialog templates as drawn: everything on the dialog, nothing on top of
// anything else, and every control inside the frame that groups it.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/resources/control_ids.h"
#include "core/resources/dialog_template.h"

using namespace ferrule;

namespace {

struct Box {
    int left, top, right, bottom;
};

Box BoxOf(const ControlTemplate& c) {
    return {c.x, c.y, c.x + c.cx, c.y + c.cy};
}

bool Overlap(const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const Box& inner, const Box& outer) {
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

std::string Describe(const ControlTemplate& c) {
    return std::to_string(c.id) + " \"" + (c.caption != nullptr ? c.caption : "") + "\"";
}

// A frame's title takes the top of the box; its lines take the edges.
constexpr int kTitleBand = 9;
constexpr int kFrameMargin = 3;

const ControlTemplate& ById(const DialogTemplate& dialog, int id) {
    for (const ControlTemplate& c : dialog.controls) {
        if (c.id == id) {
            return c;
        }
    }
    throw std::out_of_range("no control " + std::to_string(id));
}

const ControlTemplate& GroupBoxCaptioned(const DialogTemplate& dialog, const std::string& caption) {
    for (const ControlTemplate& c : dialog.controls) {
        if (c.kind == ControlKind::GroupBox && caption == c.caption) {
            return c;
        }
    }
    throw std::out_of_range("no group box " + caption);
}

struct NamedDialog {
    const char* name;
    const DialogTemplate& (*get)();
};

void PrintTo(const NamedDialog& dialog, std::ostream* out) {
    *out << dialog.name;
}

const NamedDialog kDialogs[] = {
    {"Panel", &ferrule::PanelTemplate},
    {"AboutBox", &ferrule::AboutBoxTemplate},
    {"NdSteps", &ferrule::NdStepsTemplate},
};

class ResourceLayout : public ::testing::TestWithParam<NamedDialog> {
protected:
    const DialogTemplate& Dialog() const { return GetParam().get(); }
};

TEST_P(ResourceLayout, EveryControlLiesOnTheDialog) {
    const DialogTemplate& dialog = Dialog();
    Box area{0, 0, dialog.cx, dialog.cy};
    for (const ControlTemplate& c : dialog.controls) {
        EXPECT_GT(c.cx, 0) << Describe(c);
        EXPECT_GT(c.cy, 0) << Describe(c);
        EXPECT_TRUE(Inside(BoxOf(c), area)) << Describe(c);
    }
}

TEST_P(ResourceLayout, IdsAreUnique) {
    std::set<int> seen;
    for (const ControlTemplate& c : Dialog().controls) {
        if (c.id != kNoId) {
            EXPECT_TRUE(seen.insert(c.id).second) << "id " << c.id << " twice";
        }
    }
}

TEST_P(ResourceLayout, NoControlCoversAnother) {
    const DialogTemplate& dialog = Dialog();
    for (size_t i = 0; i < dialog.controls.size(); ++i) {
        for (size_t j = i + 1; j < dialog.controls.size(); ++j) {
            const ControlTemplate& a = dialog.controls[i];
            const ControlTemplate& b = dialog.controls[j];
            if (a.kind == ControlKind::GroupBox || b.kind == ControlKind::GroupBox) {
                continue;
            }
            EXPECT_FALSE(Overlap(BoxOf(a), BoxOf(b))) << Describe(a) << " and " << Describe(b);
        }
    }
}

// Frames are nested or apart, and nested frames keep clear of each other's lines.
TEST_P(ResourceLayout, FramesNestOrStandApart) {
    std::vector<const ControlTemplate*> boxes;
    for (const ControlTemplate& c : Dialog().controls) {
        if (c.kind == ControlKind::GroupBox) {
            boxes.push_back(&c);
        }
    }
    for (const ControlTemplate* a : boxes) {
        for (const ControlTemplate* b : boxes) {
            if (a == b || !Overlap(BoxOf(*a), BoxOf(*b))) {
                continue;
            }
            const ControlTemplate* inner = a->cx * a->cy < b->cx * b->cy ? a : b;
            const ControlTemplate* outer = inner == a ? b : a;
            Box o = BoxOf(*outer);
            Box clear{o.left + kFrameMargin, o.top + kTitleBand, o.right - kFrameMargin,
                      o.bottom - kFrameMargin};
            EXPECT_TRUE(Inside(BoxOf(*inner), clear)) << Describe(*a) << " and " << Describe(*b);
        }
    }
}

// A control that reaches into a frame lies wholly inside it, below its title.
TEST_P(ResourceLayout, ControlsInAFrameClearItsTitleAndLines) {
    const DialogTemplate& dialog = Dialog();
    for (const ControlTemplate& box : dialog.controls) {
        if (box.kind != ControlKind::GroupBox) {
            continue;
        }
        Box o = BoxOf(box);
        Box clear{o.left + kFrameMargin, o.top + kTitleBand, o.right - kFrameMargin,
                  o.bottom - kFrameMargin};
        for (const ControlTemplate& c : dialog.controls) {
            if (c.kind != ControlKind::GroupBox && Overlap(BoxOf(c), o)) {
                EXPECT_TRUE(Inside(BoxOf(c), clear)) << Describe(c) << " in " << Describe(box);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Dialogs, ResourceLayout, ::testing::ValuesIn(kDialogs),
                         [](const ::testing::TestParamInfo<NamedDialog>& info) {
                             return std::string(info.param.name);
                         });

// The panel's areas group the controls that belong together.
TEST(ResourcePanelGroups, ControlsSitInTheFrameOfTheirArea) {
    const DialogTemplate& panel = ferrule::PanelTemplate();
    struct Area {
        const ControlTemplate& frame;
        std::vector<int> ids;
    };
    const Area areas[] = {
        {ById(panel, kCtlLinkGroup),
         {kCtlOpenByDescription, kCtlOpenBySerialNumber, kCtlOpenByDeviceNumber, kCtlDevice,
          kCtlSearch, kCtlOpen, kCtlStatusLine, kCtlBlinkLeds, kCtlSpeed, kCtlBlinkOff}},
        {ById(panel, kCtlCommandGroup),
         {kCtlShutterOpen, kCtlShutterClose, kCtlModeFast, kCtlModeSoft, kCtlModeNd,
          kCtlTriggerPulse, kCtlEnableOnHigh, kCtlEnableOnLow, kCtlTriggerOnRisingEdge,
          kCtlTriggerOnFallingEdge, kCtlSyncPulse, kCtlHighForOpen, kCtlLowForOpen}},
        {GroupBoxCaptioned(panel, " Timer "),
         {kCtlClosedTimeDisplay, kCtlExposureTimeDisplay, kCtlCycleTimeDisplay,
          kCtlClosingTransition, kCtlOpeningTransition, kCtlTimerSelect, kCtlHour, kCtlMinute,
          kCtlSecond, kCtlMillisecond, kCtlTenthMs, kCtlHourSlider, kCtlMinuteSlider,
          kCtlSecondSlider, kCtlMillisecondSlider, kCtlTenthMsSlider, kCtlSetTimer}},
        {GroupBoxCaptioned(panel, "Free Run"),
         {kCtlRepeatCount, kCtlOnPowerUp, kCtlOnTriggerPulse, kCtlGo, kCtlCyclesLeft, kCtlStop,
          kCtlSendRepeatCount}},
        {GroupBoxCaptioned(panel, " Configuration "),
         {kCtlSaveConfig, kCtlLoadConfig, kCtlApply, kCtlSaveConfigToController,
          kCtlRestoreDefault}},
        {GroupBoxCaptioned(panel, " Controller "),
         {kCtlGetControllerInfo, kCtlPowerOn, kCtlPowerOff}},
    };
    for (const Area& area : areas) {
        for (int id : area.ids) {
            EXPECT_TRUE(Inside(BoxOf(ById(panel, id)), BoxOf(area.frame)))
                << id << " outside " << Describe(area.frame);
        }
    }
    // The received-data log, its count, Clear and EXIT stand below every frame.
    for (int id : {kCtlReceivedData, kCtlReceivedBytes, kCtlClear, kCtlExit}) {
        for (const ControlTemplate& c : panel.controls) {
            if (c.kind == ControlKind::GroupBox) {
                EXPECT_FALSE(Overlap(BoxOf(ById(panel, id)), BoxOf(c))) << id;
            }
        }
    }
}

TEST(ResourcePanelGroups, TimerAndBottomBoxesLieInTheCommandFrame) {
    const DialogTemplate& panel = ferrule::PanelTemplate();
    Box command = BoxOf(ById(panel, kCtlCommandGroup));
    for (const char* caption : {" Timer ", "Free Run", " Configuration ", " Controller "}) {
        EXPECT_TRUE(Inside(BoxOf(GroupBoxCaptioned(panel, caption)), command)) << caption;
    }
}

}  // namespace
