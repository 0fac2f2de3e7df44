#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "toolkit.h"

namespace {

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
