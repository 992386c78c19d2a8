// The program's message boxes: buttons, icons and answers, and the one Qt box
// that every window of the program shows them in.
#pragma once

class QString;
class QWidget;

inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbOkCancel = 0x1;
inline constexpr unsigned kMbIconStop = 0x10;
inline constexpr unsigned kMbIconExclamation = 0x30;
inline constexpr unsigned kMbIconInformation = 0x40;

inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// A modal box over `owner` with the buttons and icon of `type`; returns kIdOk
// or kIdCancel (Escape and closing the box count as Cancel, or as OK for a box
// with OK alone).
int ExecMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned type);
