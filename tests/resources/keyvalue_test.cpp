// The key/value reader: substring search, numbers, lists, vectors and oversized values.
#include "resources/keyvalue.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* level =
    "nummeshes=2\r\n"
    "mesh1=ball.x\r\n"
    "mesh11=cube.x\r\n"
    "time=2.9\r\n"
    "neg=-2.9\r\n"
    "colors=(0.5,1,2)\r\n"
    "one={4}\r\n"
    "pos=(0,1.5,-2)\r\n"
    "last=tail";

TEST(KeyValueTest, StringsRunToTheCarriageReturn)
{
    char out[64];
    EXPECT_STREQ(kvString(out, sizeof out, level, "mesh1="), "ball.x");
    EXPECT_STREQ(kvString(out, sizeof out, level, "mesh11="), "cube.x");
    // The last line without its CR runs to the terminator.
    EXPECT_STREQ(kvString(out, sizeof out, level, "last="), "tail");
    EXPECT_EQ(kvString(out, sizeof out, level, "absent="), nullptr);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(kvValueLength(level, "absent="), -1);
    EXPECT_EQ(kvValueLength(level, "mesh1="), 6);
}

TEST(KeyValueTest, SearchIsAPlainSubstringSearch)
{
    // "mesh1=" is also the tail of "nummesh1=": the first occurrence in the text wins.
    const char* text = "nummesh1=7\r\nmesh1=ball.x\r\n";
    char out[16];
    EXPECT_STREQ(kvString(out, sizeof out, text, "mesh1="), "7");
    EXPECT_EQ(kvInt(text, "mesh1="), 7);
}

TEST(KeyValueTest, NumbersTruncateTowardZero)
{
    EXPECT_EQ(kvInt(level, "time="), 2);
    EXPECT_EQ(kvInt(level, "neg="), -2);
    EXPECT_FLOAT_EQ(kvFloat(level, "time="), 2.9f);
    EXPECT_EQ(kvInt(level, "nummeshes="), 2);
    EXPECT_EQ(kvInt(level, "absent="), 0);
    EXPECT_EQ(kvFloat(level, "absent="), 0.0f);
    EXPECT_EQ(kvInt("big=1e30\r\n", "big="), INT32_MAX);
    EXPECT_EQ(kvInt("small=-1e30\r\n", "small="), INT32_MIN);
    EXPECT_EQ(kvInt("nan=nan\r\n", "nan="), 0);
}

TEST(KeyValueTest, ListsOfEitherBracket)
{
    float v[4] = {9, 9, 9, 9};
    ASSERT_EQ(kvFloatList(level, v, 4, "colors="), 3);
    EXPECT_FLOAT_EQ(v[0], 0.5f);
    EXPECT_FLOAT_EQ(v[1], 1.0f);
    EXPECT_FLOAT_EQ(v[2], 2.0f);
    EXPECT_FLOAT_EQ(v[3], 9.0f);

    float one[2] = {9, 9};
    ASSERT_EQ(kvFloatList(level, one, 2, "one="), 1);
    EXPECT_FLOAT_EQ(one[0], 4.0f);
    EXPECT_FLOAT_EQ(one[1], 9.0f);

    // No closing bracket, or absent: nothing changes.
    float keep[2] = {7, 7};
    EXPECT_EQ(kvFloatList("l=(1,2\r\n", keep, 2, "l="), 0);
    EXPECT_EQ(kvFloatList(level, keep, 2, "absent="), 0);
    EXPECT_FLOAT_EQ(keep[0], 7.0f);

    // A list longer than the caller's array fills the array and stops there.
    float two[3] = {0, 0, 5};
    EXPECT_EQ(kvFloatList(level, two, 2, "colors="), 2);
    EXPECT_FLOAT_EQ(two[1], 1.0f);
    EXPECT_FLOAT_EQ(two[2], 5.0f);
}

TEST(KeyValueTest, Vectors)
{
    bool ok = false;
    Vec3 p = kvVec3(level, "pos=", &ok);
    EXPECT_TRUE(ok);
    EXPECT_FLOAT_EQ(p.x, 0.0f);
    EXPECT_FLOAT_EQ(p.y, 1.5f);
    EXPECT_FLOAT_EQ(p.z, -2.0f);

    p = kvVec3("v=(3,4\r\n", "v=", &ok);
    EXPECT_FALSE(ok);
    EXPECT_FLOAT_EQ(p.x, 3.0f);
    EXPECT_FLOAT_EQ(p.y, 4.0f);
    EXPECT_FLOAT_EQ(p.z, 0.0f);

    p = kvVec3("v=(1,2,3\r\n", "v=", &ok);
    EXPECT_FALSE(ok);
    EXPECT_FLOAT_EQ(p.z, 3.0f);

    p = kvVec3(level, "absent=", &ok);
    EXPECT_FALSE(ok);
    EXPECT_FLOAT_EQ(p.x, 0.0f);
}

TEST(KeyValueTest, ValuesLongerThanTheirBufferAreTreatedAsAbsent)
{
    std::string longNumber = "n=" + std::string(40, '1') + "\r\n";
    EXPECT_EQ(kvInt(longNumber.c_str(), "n="), 0);
    EXPECT_EQ(kvFloat(longNumber.c_str(), "n="), 0.0f);
    std::string fits = "n=" + std::string(31, '0') + "7\r\n";  // 32 characters: one too many
    EXPECT_EQ(kvInt(fits.c_str(), "n="), 0);
    std::string exact = "n=" + std::string(30, '0') + "7\r\n";  // 31 characters
    EXPECT_EQ(kvInt(exact.c_str(), "n="), 7);

    std::string longList = "l=(" + std::string(300, '1') + ")\r\n";
    float v[1] = {5};
    EXPECT_EQ(kvFloatList(longList.c_str(), v, 1, "l="), 0);
    EXPECT_FLOAT_EQ(v[0], 5.0f);

    std::string longVec = "v=(1,2," + std::string(70, '3') + ")\r\n";
    bool ok = true;
    Vec3 p = kvVec3(longVec.c_str(), "v=", &ok);
    EXPECT_FALSE(ok);
    EXPECT_FLOAT_EQ(p.x, 0.0f);

    char small[4];
    EXPECT_EQ(kvString(small, sizeof small, "s=abcd\r\n", "s="), nullptr);
    EXPECT_STREQ(small, "");
    EXPECT_STREQ(kvString(small, sizeof small, "s=abc\r\n", "s="), "abc");
}

} // namespace
