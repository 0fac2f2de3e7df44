#include <gtest/gtest.h>

#include "toolkit.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

struct VerboseGuard {
    unsigned char saved = verbose;
    ~VerboseGuard() { verbose = saved; }
};

std::string printed(void (*channel)(const char*), unsigned char level, const char* message)
{
    VerboseGuard guard;
    verbose = level;
    CaptureStdout();
    channel(message);
    std::fflush(stdout);
    return GetCapturedStdout();
}

}  // namespace

TEST(Diagnostics, WarningAndInfoOnlyWhenVerboseIsExactlyOne)
{
    EXPECT_EQ(printed(warning, 1, "disque plein"), "[TovikTools Warning]:: Attention, <disque plein>\n");
    EXPECT_EQ(printed(info, 1, " est parmis nous "), "[TovikTools Info]:: le saviez vous?, < est parmis nous >\n");
    for (unsigned char level : {0, 2, 255}) {
        EXPECT_EQ(printed(warning, level, "x"), "") << int(level);
        EXPECT_EQ(printed(info, level, "x"), "") << int(level);
    }
}

TEST(DiagnosticsDeathTest, FatalErrorShowsTitleAndBodyThenExitsWith255)
{
    EXPECT_EXIT(fatalError("Chargement du module impossible"), testing::ExitedWithCode(255),
                "Chargement du module impossible\n\\[TovikTools Error\\] <Woooh!!>");
}

TEST(DiagnosticsDeathTest, FatalErrorIgnoresVerbose)
{
    EXPECT_EXIT(
        {
            verbose = 0;
            fatalError(" Probleme d'init Bass Player");
        },
        testing::ExitedWithCode(255), " Probleme d'init Bass Player");
}
