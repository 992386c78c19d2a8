// How assistive technology operates the panel's radio buttons and check
// boxes: their Toggle and Press actions click them as the mouse does, so that
// the command behind a control runs, not merely its check mark changes.
#pragma once

namespace ferrule {

// Makes Qt build the interface above for every radio button and check box.
void InstallButtonAccessibility();

}  // namespace ferrule
