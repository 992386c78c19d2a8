#include "core/resources/bar_drawing.h"

#include <algorithm>
#include <vector>

namespace ferrule {
namespace {

bool IsRunCharacter(char c) {
    return c == '-' || c == '=' || c == ' ';
}

struct Piece {
    char character;
    int length;
    bool stretches;
};

// The bar as runs of one character each; only runs of '-', '=' or blanks stretch.
std::vector<Piece> Split(std::string_view bar) {
    std::vector<Piece> pieces;
    for (char c : bar) {
        bool stretches = IsRunCharacter(c);
        if (stretches && !pieces.empty() && pieces.back().stretches &&
            pieces.back().character == c) {
            ++pieces.back().length;
        } else {
            pieces.push_back({c, 1, stretches});
        }
    }
    return pieces;
}

}  // namespace

bool IsBarDrawing(std::string_view text) {
    bool hasLine = false;
    for (char c : text) {
        if (c == '-' || c == '=') {
            hasLine = true;
        } else if (c != '|' && c != '<' && c != '>' && c != ' ') {
            return false;
        }
    }
    return hasLine;
}

std::string FitBarDrawing(std::string_view bar, int columns) {
    std::vector<Piece> pieces = Split(bar);
    int fixed = 0;
    int runLength = 0;
    int runs = 0;
    for (const Piece& piece : pieces) {
        if (piece.stretches) {
            runLength += piece.length;
            ++runs;
        } else {
            fixed += piece.length;
        }
    }
    if (runs == 0) {
        return std::string(bar);
    }

    // Each run ends where its share of the room, counted from the start of the
    // bar, ends; rounding the running total keeps the sum exact.
    int room = std::max(columns - fixed, runs);
    std::string fitted;
    fitted.reserve(static_cast<size_t>(fixed + room));
    long long before = 0;
    int placed = 0;
    int runsLeft = runs;
    for (const Piece& piece : pieces) {
        if (!piece.stretches) {
            fitted.append(static_cast<size_t>(piece.length), piece.character);
            continue;
        }
        before += piece.length;
        int end = static_cast<int>((before * room + runLength / 2) / runLength);
        --runsLeft;
        int length = std::clamp(end - placed, 1, room - placed - runsLeft);
        fitted.append(static_cast<size_t>(length), piece.character);
        placed += length;
    }
    return fitted;
}

}  // namespace ferrule
