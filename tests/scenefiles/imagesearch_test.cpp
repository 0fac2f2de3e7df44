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

// Name, scene file (or none), content folder (or none) and the file found;
// "@" stands for the test's folder, the object is @/objects/ball.lwo.
struct FoundCase {
    const char* name;
    const char* scene;
    const char* content;
    const char* found;
};

TEST_F(ImageSearch, FirstExistingPlaceWins)
{
    for (const char* file : {"objects/tex/a.png", "objects/b.png", "objects/Images/c.png", "Images/d.png", "scenes/e.png",
                             "scenes/Images/f.png", "content/g/h.png", "content/i.png", "content/b.png"})
        write(file, "picture");
    write("objects/folder.png/readme", "a folder is no picture");
    const FoundCase cases[] = {
        {"@/objects/b.png", nullptr, nullptr, "@/objects/b.png"},
        {"tex\\a.png", nullptr, nullptr, "@/objects/tex/a.png"},
        {"Q:tex/a.png", nullptr, nullptr, "@/objects/tex/a.png"},
        {"Q:ASSIMP/far/away/b.png", nullptr, nullptr, "@/objects/b.png"},
        {"C:\\Work\\c.png", nullptr, nullptr, "@/objects/Images/c.png"},
        {"Images/d.png", nullptr, nullptr, "@/objects/../Images/d.png"},
        {"e.png", "@/scenes/show.lws", nullptr, "@/scenes/e.png"},
        {"Q:x/f.png", "@/scenes/show.lws", nullptr, "@/scenes/Images/f.png"},
        {"e.png", nullptr, nullptr, ""},  // no scene, no scene folder
        {"Q:g/h.png", nullptr, "@/content", "@/content/g/h.png"},
        {"i.png", nullptr, "@/content/", "@/content/i.png"},
        {"b.png", nullptr, "@/content", "@/objects/b.png"},  // beside the object before the content folder
        {"folder.png", nullptr, nullptr, ""},
        {"nowhere.png", "@/scenes/show.lws", "@/content", ""},
    };
    const std::string object = path("objects/ball.lwo");
    for (const FoundCase& c : cases) {
        std::string scene = c.scene ? inFolder(c.scene) : "", content = c.content ? inFolder(c.content) : "";
        EXPECT_EQ(findImageFile(c.name, object.c_str(), c.scene ? scene.c_str() : nullptr,
                                c.content ? content.c_str() : nullptr),
                  inFolder(c.found))
            << c.name;
    }
}

}  // namespace
