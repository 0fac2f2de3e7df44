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

// A temporary file holding the given bytes, open for reading.
FILE* textFile(const std::string& content)
{
    FILE* f = std::tmpfile();
    std::fwrite(content.data(), 1, content.size(), f);
    std::rewind(f);
    return f;
}

TEST(ReadDelimitedToken, QuotedNamesThenClosingTagThenEnd)
{
    FILE* f = textFile("<load_object> 'Objets/a.lwo' 'Objets/b c.lwo'\n</load_object>\n");
    // The opening tag comes before any quote, so it is a token of its own.
    EXPECT_STREQ(readDelimitedToken(f, '\''), "load_object");
    EXPECT_STREQ(readDelimitedToken(f, '\''), "Objets/a.lwo");
    EXPECT_STREQ(readDelimitedToken(f, '\''), "Objets/b c.lwo");
    EXPECT_STREQ(readDelimitedToken(f, '\''), "/load_object");
    EXPECT_STREQ(readDelimitedToken(f, '\''), "<eof>");
    EXPECT_STREQ(readDelimitedToken(f, '\''), "<eof>");
    std::fclose(f);
}

TEST(ReadDelimitedToken, MixedEndsAndUnfinishedToken)
{
    FILE* f = textFile("x 'from quote to bracket> <from bracket to quote' 'never closed");
    EXPECT_STREQ(readDelimitedToken(f, '\''), "from quote to bracket");
    EXPECT_STREQ(readDelimitedToken(f, '\''), "from bracket to quote");
    // What was collected before the end of the file is dropped.
    EXPECT_STREQ(readDelimitedToken(f, '\''), "<eof>");
    std::fclose(f);
}

TEST(ReadDelimitedToken, LongTokenIsCutAndTheFileStaysInStep)
{
    std::string longName(20000, 'n');
    FILE* f = textFile("'" + longName + "' 'next'");
    std::string first = readDelimitedToken(f, '\'');
    EXPECT_EQ(first.size(), 10239u);
    EXPECT_EQ(first, longName.substr(0, 10239));
    EXPECT_STREQ(readDelimitedToken(f, '\''), "next");
    std::fclose(f);
}

TEST(ReadDelimitedToken, OtherDelimiterAndHighBytes)
{
    FILE* f = textFile("\"caf\xE9\xFF\" \"\"");
    EXPECT_STREQ(readDelimitedToken(f, '"'), "caf\xE9\xFF");
    EXPECT_STREQ(readDelimitedToken(f, '"'), "");
    EXPECT_STREQ(readDelimitedToken(f, '"'), "<eof>");
    std::fclose(f);
}

}  // namespace
