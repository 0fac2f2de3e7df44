// The file box over a stand-in dialog, and over the platform's zenity dialog.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform.h"
#include "test_support.h"
#include "toolkit.h"

namespace {

// What the stand-in dialog answers: one path, or a directory and names.
std::string chosenDirectory;
std::vector<std::string> chosenNames;

int fakeDialog(OPENFILENAMEA* box)
{
    EXPECT_STREQ(box->lpstrFilter, "Fichiers Vordelle");
    EXPECT_STREQ(box->lpstrFilter + std::strlen(box->lpstrFilter) + 1, "*.lws;*.lwo;*.pof");
    EXPECT_EQ(chdir("/"), 0);  // the box may move the current directory
    if (chosenNames.empty()) return 0;  // cancelled: the buffer is untouched
    std::string out = chosenDirectory;
    if (chosenNames.size() == 1) {
        out += "\\" + chosenNames[0];
        box->nFileOffset = static_cast<uint16_t>(chosenDirectory.size() + 1);
    } else {
        out += '\0';
        box->nFileOffset = static_cast<uint16_t>(out.size());
        for (const std::string& n : chosenNames) out += n + '\0';
    }
    out += '\0';
    EXPECT_LE(out.size(), box->nMaxFile);
    std::memcpy(box->lpstrFile, out.data(), out.size());
    return 1;
}

// Everything the box hands out for one choice, first call with a title.
std::vector<std::string> choice(const char* title)
{
    std::vector<std::string> got;
    for (char* e = selectFiles(title); e; e = selectFiles(nullptr)) got.push_back(e);
    return got;
}

struct FileBox : testing::Test {
    void SetUp() override { openFileDialogHook = fakeDialog; }
    void TearDown() override { openFileDialogHook = nullptr; }
};

}  // namespace

TEST_F(FileBox, ChosenFilesComeSortedByBytesWithSlashes)
{
    const struct {
        std::string directory;
        std::vector<std::string> names, expected;
    } cases[] = {
        {"C:\\Scenes", {"zeta.lwo", "\xE9t\xE9.lwo", "Alpha.pof", "beta.lws"},
         {"C:/Scenes/Alpha.pof", "C:/Scenes/beta.lws", "C:/Scenes/zeta.lwo", "C:/Scenes/\xE9t\xE9.lwo"}},
        {"d:\\objets\\lwo", {"boule.lwo"}, {"d:/objets/lwo/boule.lwo"}},
        {"", {}, {"default.bmp"}},  // cancelled
    };
    char before[PATH_MAX], after[PATH_MAX];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    for (const auto& c : cases) {
        chosenDirectory = c.directory;
        chosenNames = c.names;
        EXPECT_EQ(choice("Choisir"), c.expected);
        ASSERT_NE(getcwd(after, sizeof after), nullptr);
        EXPECT_STREQ(before, after);
    }
}

TEST_F(FileBox, OverlongChoiceIsCutWithAWarning)
{
    // Each entry takes 900 + 1 + 5 + 1 bytes: eleven fit into 10,240, the twelfth does not.
    chosenDirectory = std::string(900, 'd');
    chosenNames.clear();
    for (char c = 'a'; c < 'a' + 14; ++c) chosenNames.push_back(std::string(1, c) + ".lwo");
    std::vector<std::string> got;
    std::string out = captureVerbose([&] { got = choice("t"); });
    ASSERT_EQ(got.size(), 11u);
    EXPECT_EQ(got[10], chosenDirectory + "/k.lwo");
    EXPECT_NE(out.find("[TovikTools Warning]:: Attention, <Depassement de buffer dans l'algo!!!>"), std::string::npos);
    EXPECT_EQ(out.find("[TovikTools Info]:: le saviez vous?, <Multiselection in filebox.>\n"
                       "[TovikTools Info]:: le saviez vous?, <Tri du resultat=>\n"),
              0u);
}

// The platform's dialog runs zenity when there is one and a display: a fake
// zenity on the PATH answers and keeps the arguments it was given.
TEST(ZenityBox, AnswersAreSortedAndACancelGivesTheDefault)
{
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    const std::string bin = std::string(cwd) + "/" + testFolder();
    std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    const char* display = std::getenv("DISPLAY");
    std::string savedDisplay = display ? display : "";
    auto fakeZenity = [&](const std::string& body) {
        std::string script = "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '" + bin + "/args'\n" + body + "\n";
        ASSERT_TRUE(writeWholeFile(bin + "/zenity", script));
        chmod((bin + "/zenity").c_str(), 0755);
    };
    setenv("PATH", bin.c_str(), 1);  // the only zenity, and the last folder of the PATH
    setenv("DISPLAY", ":99", 1);

    fakeZenity("printf '/data/scenes/zz.pof\\n/data/scenes/aa.lwo\\n'");
    EXPECT_EQ(choice("L'objet"), (std::vector<std::string>{"/data/scenes/aa.lwo", "/data/scenes/zz.pof"}));
    std::string args = readWholeFile(bin + "/args");
    EXPECT_NE(args.find("--multiple\n"), std::string::npos) << args;
    EXPECT_NE(args.find("--title=L'objet\n"), std::string::npos) << args;
    EXPECT_NE(args.find("--file-filter=Fichiers Vordelle | *.lws *.lwo *.pof\n"), std::string::npos) << args;
    fakeZenity("echo /data/one.lwo");
    EXPECT_EQ(choice("t"), std::vector<std::string>{"/data/one.lwo"});
    fakeZenity("exit 1");
    EXPECT_EQ(choice("t"), std::vector<std::string>{"default.bmp"});
    unsetenv("DISPLAY");  // no display: no dialog, as if cancelled
    fakeZenity("echo /data/one.lwo");
    EXPECT_EQ(choice("t"), std::vector<std::string>{"default.bmp"});

    setenv("PATH", savedPath.c_str(), 1);
    if (display) setenv("DISPLAY", savedDisplay.c_str(), 1);
}
