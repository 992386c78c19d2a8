#include "core/reconnect/reconnect_setting.h"

namespace ferrule {

bool ReadReconnectAutomatic(const ProfileFile& profile) {
    return profile.GetInt(kReconnectSection, kReconnectAutomaticKey, 1) != 0;
}

RewriteResult WriteReconnectAutomatic(ProfileFile& profile, bool on) {
    return profile.WriteString(kReconnectSection, kReconnectAutomaticKey, on ? "1" : "0");
}

}  // namespace ferrule
