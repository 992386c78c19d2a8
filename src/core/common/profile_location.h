// Where the panel keeps its profile when no --profile names one:
// $XDG_CONFIG_HOME/ferrule.INI, else ~/.config/ferrule.INI, else ./ferrule.INI.
#pragma once

#include <string>

namespace ferrule {

// The path only; nothing is created.
std::string DefaultProfileLocation();

}  // namespace ferrule
