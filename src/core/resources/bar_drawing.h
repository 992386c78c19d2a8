// Bars drawn with characters ("|<----->|", "|<=====>|"): the panel's time bars.
// A bar is drawn to fill the width of its control, so its runs of '-', '=' and
// blanks are stretched or shrunk to a given number of character cells.
#pragma once

#include <string>
#include <string_view>

namespace ferrule {

// True for a text made only of "|<>-=" and blanks that has at least one '-' or '='.
bool IsBarDrawing(std::string_view text);

// The bar with every run of '-', '=' or blanks resized in proportion to its
// length, so that the whole text takes `columns` characters. The other
// characters stay as they are and every run keeps at least one character; when
// `columns` is too small for that, the bar is as short as it can be.
std::string FitBarDrawing(std::string_view bar, int columns);

}  // namespace ferrule
