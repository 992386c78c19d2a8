#include "core/common/leading_integer.h"

#include <gtest/gtest.h>

using ferrule::LeadingInteger;

TEST(CoreLeadingInteger, ReadsDigitsUpToTheFirstOtherCharacter) {
    EXPECT_EQ(LeadingInteger("7"), 7);
    EXPECT_EQ(LeadingInteger("  42abc"), 42);
    EXPECT_EQ(LeadingInteger("\t-1"), -1);
    EXPECT_EQ(LeadingInteger("+64"), 64);
    EXPECT_EQ(LeadingInteger("12 34"), 12);
}

TEST(CoreLeadingInteger, TextWithoutDigitsIsZero) {
    EXPECT_EQ(LeadingInteger(""), 0);
    EXPECT_EQ(LeadingInteger("abc"), 0);
    EXPECT_EQ(LeadingInteger("-"), 0);
    EXPECT_EQ(LeadingInteger("Continuous"), 0);
    EXPECT_EQ(LeadingInteger("- 5"), 0);
}

TEST(CoreLeadingInteger, HugeNumbersSaturateInsteadOfOverflowing) {
    EXPECT_EQ(LeadingInteger("99999999999999999999"), 2147483647);
    EXPECT_EQ(LeadingInteger("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(LeadingInteger("-2147483648"), -2147483647 - 1);
}
