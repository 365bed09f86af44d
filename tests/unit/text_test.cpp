#include "core/text.h"

#include <gtest/gtest.h>

#include <string>

TEST(Text, HoldsCapacityMinusOneCharactersAndRefusesMore) {
    Text<8> t;
    EXPECT_TRUE(t.assign("1234567"));
    EXPECT_STREQ(t.c_str(), "1234567");
    EXPECT_EQ(t.size(), 7u);

    EXPECT_FALSE(t.assign("12345678"));
    EXPECT_STREQ(t.c_str(), "1234567") << "a refused value leaves the field as it was";
}

TEST(Text, AppendStopsAtTheBoundaryWithoutCutting) {
    Text<6> t;
    EXPECT_TRUE(t.assign("ab"));
    EXPECT_TRUE(t.append("cd"));
    EXPECT_TRUE(t.append('e'));
    EXPECT_STREQ(t.c_str(), "abcde");
    EXPECT_FALSE(t.append('f'));
    EXPECT_FALSE(t.append("xy"));
    EXPECT_STREQ(t.c_str(), "abcde");
    EXPECT_TRUE(t.append(""));
}

TEST(Text, GivenMeansNotEmptyAndClearZeroesEverything) {
    Text<4> t;
    EXPECT_FALSE(t.given());
    EXPECT_TRUE(t.assign("x"));
    EXPECT_TRUE(t.given());
    t.clear();
    EXPECT_FALSE(t.given());
    EXPECT_STREQ(t.c_str(), "");
    EXPECT_TRUE(t.assign(""));
    EXPECT_FALSE(t.given());
}

TEST(Text, AValueEndsAtItsFirstZeroByteLikeACString) {
    Text<16> t;
    EXPECT_TRUE(t.assign(std::string("ab\0cd", 5)));
    EXPECT_EQ(t.view(), "ab");
    EXPECT_TRUE(t.append(std::string("x\0y", 3)));
    EXPECT_EQ(t.view(), "abx");
}
