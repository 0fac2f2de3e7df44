#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform.h"
#include "toolkit.h"

namespace {

// What the stand-in dialog answers: one path, or a directory and names.
std::string chosenDirectory;
std::vector<std::string> chosenNames;
std::string dialogTitle;
std::string dialogFilter;
int dialogCalls;
bool dialogChangesDirectory;

int fakeDialog(OPENFILENAMEA* box)
{
    ++dialogCalls;
    dialogTitle = box->lpstrTitle ? box->lpstrTitle : "";
    dialogFilter = box->lpstrFilter ? box->lpstrFilter : "";
    if (dialogChangesDirectory) {
        EXPECT_EQ(chdir("/"), 0);
    }
    if (chosenNames.empty()) return 0;  // cancelled: the buffer is untouched
    std::string out;
    if (chosenNames.size() == 1) {
        out = chosenDirectory + "\\" + chosenNames[0];
        box->nFileOffset = static_cast<uint16_t>(chosenDirectory.size() + 1);
        out += '\0';
    } else {
        out = chosenDirectory;
        out += '\0';
        box->nFileOffset = static_cast<uint16_t>(out.size());
        for (const std::string& n : chosenNames) {
            out += n;
            out += '\0';
        }
        out += '\0';
    }
    EXPECT_LE(out.size(), box->nMaxFile);
    std::memcpy(box->lpstrFile, out.data(), out.size());
    return 1;
}

class FileBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        openFileDialogHook = fakeDialog;
        chosenDirectory.clear();
        chosenNames.clear();
        dialogCalls = 0;
        dialogChangesDirectory = false;
        savedVerbose = verbose;
    }
    void TearDown() override
    {
        openFileDialogHook = nullptr;
        verbose = savedVerbose;
    }
    unsigned char savedVerbose;
};

std::string next(char* entry)
{
    return entry ? std::string(entry) : std::string("(none)");
}

TEST_F(FileBox, SeveralFilesComeSortedOneByOne)
{
    chosenDirectory = "C:\\Scenes";
    chosenNames = {"zeta.lwo", "Alpha.pof", "beta.lws"};
    EXPECT_EQ(next(selectFiles("Choisir")), "C:/Scenes/Alpha.pof");
    EXPECT_EQ(dialogTitle, "Choisir");
    EXPECT_EQ(dialogFilter, "Fichiers Vordelle");
    EXPECT_EQ(next(selectFiles(nullptr)), "C:/Scenes/beta.lws");
    EXPECT_EQ(next(selectFiles(nullptr)), "C:/Scenes/zeta.lwo");
    EXPECT_EQ(selectFiles(nullptr), nullptr);
    EXPECT_EQ(selectFiles(nullptr), nullptr);
    EXPECT_EQ(dialogCalls, 1);
}

TEST_F(FileBox, OneFileAndCancel)
{
    chosenDirectory = "d:\\objets\\lwo";
    chosenNames = {"boule.lwo"};
    EXPECT_EQ(next(selectFiles("t")), "d:/objets/lwo/boule.lwo");
    EXPECT_EQ(selectFiles(nullptr), nullptr);

    chosenNames.clear();
    EXPECT_EQ(next(selectFiles("t")), "default.bmp");
    EXPECT_EQ(selectFiles(nullptr), nullptr);
}

TEST_F(FileBox, CurrentDirectoryIsRestored)
{
    char before[PATH_MAX], after[PATH_MAX];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    dialogChangesDirectory = true;
    chosenDirectory = "/tmp";
    chosenNames = {"a.lwo", "b.lwo"};
    EXPECT_EQ(next(selectFiles("t")), "/tmp/a.lwo");
    ASSERT_NE(getcwd(after, sizeof after), nullptr);
    EXPECT_STREQ(before, after);
}

TEST_F(FileBox, OverlongChoiceIsCutWithAWarning)
{
    // Each entry takes 900 + 1 + 5 + 1 bytes: eleven fit into 10,240, the twelfth does not.
    chosenDirectory = std::string(900, 'd');
    for (char c = 'a'; c < 'a' + 14; ++c) chosenNames.push_back(std::string(1, c) + ".lwo");
    verbose = 1;
    testing::internal::CaptureStdout();
    std::vector<std::string> got;
    for (char* e = selectFiles("t"); e; e = selectFiles(nullptr)) got.push_back(e);
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(got.size(), 11u);
    EXPECT_EQ(got[0], chosenDirectory + "/a.lwo");
    EXPECT_EQ(got[10], chosenDirectory + "/k.lwo");
    EXPECT_NE(out.find("[TovikTools Warning]:: Attention, <Depassement de buffer dans l'algo!!!>"), std::string::npos);
    EXPECT_NE(out.find("<Multiselection in filebox.>"), std::string::npos);
    EXPECT_NE(out.find("<Tri du resultat=>"), std::string::npos);
}

TEST_F(FileBox, WithoutDialogServiceTheBoxActsCancelled)
{
    openFileDialogHook = nullptr;
    const char* saved = std::getenv("DISPLAY");
    std::string keep = saved ? saved : "";
    unsetenv("DISPLAY");
    EXPECT_EQ(next(selectFiles("t")), "default.bmp");
    if (saved) setenv("DISPLAY", keep.c_str(), 1);
}

// The stand-in runs zenity when there is one: a fake zenity on the PATH
// answers two files and keeps the arguments it was given.
class ZenityBox : public FileBox {
protected:
    void SetUp() override
    {
        FileBox::SetUp();
        openFileDialogHook = nullptr;
        char cwd[PATH_MAX];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        // One folder per test: ctest runs tests side by side.
        bin = std::string(cwd) + "/filebox-fake-zenity-" + testing::UnitTest::GetInstance()->current_test_info()->name();
        mkdir(bin.c_str(), 0755);
        savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        const char* d = std::getenv("DISPLAY");
        savedDisplay = d ? d : "";
        hadDisplay = d != nullptr;
        setenv("PATH", (bin + ":" + savedPath).c_str(), 1);
        setenv("DISPLAY", ":99", 1);
    }
    void TearDown() override
    {
        setenv("PATH", savedPath.c_str(), 1);
        if (hadDisplay) setenv("DISPLAY", savedDisplay.c_str(), 1);
        else unsetenv("DISPLAY");
        FileBox::TearDown();
    }
    void fakeZenity(const std::string& body)
    {
        std::string script = bin + "/zenity";
        FILE* f = std::fopen(script.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fprintf(f, "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > '%s/args'\n%s\n", bin.c_str(), body.c_str());
        std::fclose(f);
        chmod(script.c_str(), 0755);
    }
    std::string bin, savedPath, savedDisplay;
    bool hadDisplay = false;
};

TEST_F(ZenityBox, ChosenFilesComeBackSorted)
{
    fakeZenity("printf '/data/scenes/zz.pof\\n/data/scenes/aa.lwo\\n'");
    EXPECT_EQ(next(selectFiles("L'objet")), "/data/scenes/aa.lwo");
    EXPECT_EQ(next(selectFiles(nullptr)), "/data/scenes/zz.pof");
    EXPECT_EQ(selectFiles(nullptr), nullptr);
    std::string args;
    FILE* f = std::fopen((bin + "/args").c_str(), "r");
    ASSERT_NE(f, nullptr);
    char line[512];
    while (std::fgets(line, sizeof line, f)) args += line;
    std::fclose(f);
    EXPECT_NE(args.find("--multiple\n"), std::string::npos) << args;
    EXPECT_NE(args.find("--title=L'objet\n"), std::string::npos) << args;
    EXPECT_NE(args.find("--file-filter=Fichiers Vordelle | *.lws *.lwo *.pof\n"), std::string::npos) << args;
}

TEST_F(ZenityBox, OneFileAndCancel)
{
    fakeZenity("echo /data/one.lwo");
    EXPECT_EQ(next(selectFiles("t")), "/data/one.lwo");
    EXPECT_EQ(selectFiles(nullptr), nullptr);
    fakeZenity("exit 1");
    EXPECT_EQ(next(selectFiles("t")), "default.bmp");
}

TEST(CompareNames, ByteOrder)
{
    EXPECT_LT(compareNames("Abc", "abc"), 0);
    EXPECT_GT(compareNames("abd", "abc"), 0);
    EXPECT_EQ(compareNames("same", "same"), 0);
    EXPECT_LT(compareNames("ab", "abc"), 0);
    EXPECT_GT(compareNames("\xE9t\xE9", "zz"), 0);  // bytes compare unsigned
}

}  // namespace
