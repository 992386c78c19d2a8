// Whether a lost link is reconnected by itself, remembered in the profile in
// a section of its own beside the device choice.
#pragma once

#include <string_view>

#include "core/common/profile_file.h"

namespace ferrule {

inline constexpr std::string_view kReconnectSection = "Reconnect";
inline constexpr std::string_view kReconnectAutomaticKey = "Automatic";

// On unless the profile says 0.
bool ReadReconnectAutomatic(const ProfileFile& profile);
RewriteResult WriteReconnectAutomatic(ProfileFile& profile, bool on);

}  // namespace ferrule
