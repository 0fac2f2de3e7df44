#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "toolkit.h"

namespace {

// copyText and formatText into an 8-byte buffer filled with 'x': the text
// kept (cut to 7 characters, always terminated) and what lies after it.
struct FixedTextCase {
    const char* text;
    const char* kept;
};

const FixedTextCase fixedTextCases[] = {
    {"", ""}, {"abc", "abc"}, {"abcdefg", "abcdefg"}, {"abcdefgh", "abcdefg"}, {"abcdefghijklmnop", "abcdefg"},
};

TEST(FixedText, CutAndTerminated)
{
    for (const FixedTextCase& c : fixedTextCases) {
        char copied[10] = "xxxxxxxxx", formatted[10] = "xxxxxxxxx";
        EXPECT_EQ(copyText(copied, 8, c.text), copied);
        EXPECT_STREQ(copied, c.kept) << c.text;
        formatText(formatted, 8, "%s", c.text);
        EXPECT_STREQ(formatted, c.kept) << c.text;
        EXPECT_EQ(copied[8], 'x');  // nothing written past the size
        EXPECT_EQ(formatted[8], 'x');
    }
    char buffer[8] = "abc";
    EXPECT_STREQ(copyText(buffer, sizeof buffer, buffer), "abc");  // onto itself
    EXPECT_STREQ(copyText(buffer, sizeof buffer, buffer + 1), "bc");  // overlapping
    EXPECT_STREQ(copyText(buffer, sizeof buffer, nullptr), "");
    EXPECT_STREQ(formatText(buffer, sizeof buffer, "%d-%s", 42, "abcdef"), "42-abcd");
    copyText(buffer, 0, "never");  // no room: nothing written
    EXPECT_STREQ(buffer, "42-abcd");
}

std::string reported;

TEST(FixedText, ReportsAreCutOrWhole)
{
    auto keep = [](const char* message) { reported = message; };
    reportFormatted(keep, 8, "%s-%d", "abcdef", 42);
    EXPECT_EQ(reported, "abcdef-");
    reportFormatted(keep, 0, "%s-%d", std::string(2000, 'a').c_str(), 42);
    EXPECT_EQ(reported, std::string(2000, 'a') + "-42");
}

}  // namespace
