// The tools' text rule: what a file names becomes well-formed UTF-8.
#include <gtest/gtest.h>

#include "cli.h"

TEST(ToolText, NamesBecomeWellFormedUtf8)
{
    const std::pair<const char*, const char*> names[] = {
        {"caf\xC3\xA9", "caf\xC3\xA9"},                           // UTF-8 kept
        {"caf\xE9", "caf\xC3\xA9"},                                // Latin-1
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},                 // four bytes kept
        {"\xE0\x80\x80", "\xC3\xA0\xC2\x80\xC2\x80"},              // overlong
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},              // a surrogate
        {"\xF4\x90\x80\x80", "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},  // past U+10FFFF
        {"\xC3", "\xC3\x83"},                                     // cut short
        {"tab\there", "tabhere"},
        {nullptr, ""},
    };
    for (size_t i = 0; i < std::size(names); ++i) EXPECT_EQ(wellFormedUtf8(names[i].first), names[i].second) << i;
}
