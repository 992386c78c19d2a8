// How assistive technology meets a LineListView: a list whose lines are its
// items, each named by its text, the current line selected, and a line
// selected through the accessibility interface exactly as a click selects
// it. A log holds millions of lines, so the list answers its line count and
// any line at once through its table interface, while its children are only
// the lines in sight: a screen reader that asks for every child never makes
// the panel build millions of items. Items exist only for lines asked for,
// and only a bounded number of them at a time.
#pragma once

namespace ferrule {

class LineListView;

// Makes Qt build the accessible interface above for every LineListView.
void InstallLineListAccessibility();

// What the view tells assistive technology; each does nothing while no
// assistive technology listens.
void NotifyLineSelected(LineListView* view, int row);
void NotifyNewestLine(LineListView* view);
void NotifyLinesReset(LineListView* view);

}  // namespace ferrule
