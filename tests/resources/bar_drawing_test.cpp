// Character-drawn bars stretched to the width of their control.
#include <gtest/gtest.h>

#include <string>

#include "core/resources/bar_drawing.h"

namespace {

using ferrule::FitBarDrawing;
using ferrule::IsBarDrawing;

// The bar with each run of a repeated fill character collapsed to one.
std::string Skeleton(const std::string& bar) {
    std::string skeleton;
    for (char c : bar) {
        bool fill = c == '-' || c == '=' || c == ' ';
        if (!(fill && !skeleton.empty() && skeleton.back() == c)) {
            skeleton.push_back(c);
        }
    }
    return skeleton;
}

TEST(ResourceBarDrawing, FillsExactlyTheColumnsAsked) {
    const std::string bar = "|<----->|<-->|<=======>|";
    for (int columns : {13, 14, 24, 25, 57, 130, 401}) {
        EXPECT_EQ(FitBarDrawing(bar, columns).size(), static_cast<size_t>(columns)) << columns;
    }
}

TEST(ResourceBarDrawing, KeepsItsShapeWhenStretchedOrShrunk) {
    const std::string bar = "|<----->|<-->|<=======>|";
    for (int columns : {13, 20, 64, 300}) {
        EXPECT_EQ(Skeleton(FitBarDrawing(bar, columns)), Skeleton(bar)) << columns;
    }
}

TEST(ResourceBarDrawing, RunsKeepTheirProportions) {
    // Runs of 30 and 10: stretched to 120 + 4 fixed characters, 90 and 30.
    std::string bar = "|" + std::string(30, '-') + "|" + std::string(10, '-') + "||";
    std::string fitted = FitBarDrawing(bar, 124);
    size_t firstEnd = fitted.find('|', 1);
    size_t secondEnd = fitted.find('|', firstEnd + 1);
    EXPECT_EQ(firstEnd - 1, 90u);
    EXPECT_EQ(secondEnd - firstEnd - 1, 30u);
}

TEST(ResourceBarDrawing, TooNarrowLeavesOneCharacterPerRun) {
    EXPECT_EQ(FitBarDrawing("|<----->|<==>|", 3), "|<->|<=>|");
}

TEST(ResourceBarDrawing, TextWithoutRunsStaysAsItIs) {
    EXPECT_EQ(FitBarDrawing("|<>|", 40), "|<>|");
}

TEST(ResourceBarDrawing, OnlyLineDrawingsCountAsBars) {
    EXPECT_TRUE(IsBarDrawing("|<------>|"));
    EXPECT_TRUE(IsBarDrawing("|<====>|"));
    EXPECT_FALSE(IsBarDrawing("A"));
    EXPECT_FALSE(IsBarDrawing("|<>|"));
    EXPECT_FALSE(IsBarDrawing("Go ------->"));
    EXPECT_FALSE(IsBarDrawing("Mode ->>"));
    EXPECT_FALSE(IsBarDrawing(""));
}

}  // namespace
