// Buttons, icons and answers of the panel's message boxes.
#pragma once

inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbOkCancel = 0x1;
inline constexpr unsigned kMbIconStop = 0x10;
inline constexpr unsigned kMbIconExclamation = 0x30;
inline constexpr unsigned kMbIconInformation = 0x40;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
