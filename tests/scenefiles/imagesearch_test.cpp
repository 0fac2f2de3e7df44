// The places a clip's picture is looked for, in order, over a folder tree.
#include <gtest/gtest.h>

#include "imagesearch.h"
#include "support.h"

namespace {

using ImageSearch = SceneFilesTest;

TEST_F(ImageSearch, CandidatesInOrderEachOnce)
{
    std::vector<std::string> expected = {"Q:/dir/x.png", "o/dir/x.png", "o/x.png", "o/Images/x.png", "o/../Images/x.png",
                                         "s/dir/x.png", "s/x.png", "s/Images/x.png", "s/../Images/x.png",
                                         "c/dir/x.png", "c/x.png", "c/Images/x.png"};
    EXPECT_EQ(imageCandidates("Q:dir\\x.png", "o/ball.lwo", "s/show.lws", "c"), expected);
    // From the working folder, an absolute name: only the file name travels.
    expected = {"/far/x.png", "x.png", "Images/x.png", "../Images/x.png"};
    EXPECT_EQ(imageCandidates("/far/x.png", "ball.lwo", nullptr, ""), expected);
}

// The cases of cases/imagesearch.txt over this tree.
TEST_F(ImageSearch, FirstExistingPlaceWins)
{
    for (const char* file : {"objects/tex/a.png", "objects/b.png", "objects/Images/c.png", "Images/d.png", "scenes/e.png",
                             "scenes/Images/f.png", "content/g/h.png", "content/i.png", "content/b.png"})
        write(file, "picture");
    write("objects/folder.png/readme", "a folder is no picture");
    const std::string object = path("objects/ball.lwo");
    for (const auto& c : readCases(SCENEFILES_CASES "/imagesearch.txt")) {
        ASSERT_EQ(c.size(), 4u);
        std::string scene = inFolder(c[1]), content = inFolder(c[2]);
        EXPECT_EQ(findImageFile(c[0].c_str(), object.c_str(), c[1] == "-" ? nullptr : scene.c_str(),
                                c[2] == "-" ? nullptr : content.c_str()),
                  inFolder(c[3]))
            << c[0];
    }
}

}  // namespace
