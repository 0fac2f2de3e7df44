// What the reader makes of the writer's objects and of scenes, compared with checked-in dumps of
// `lwo-info` (golden/NAME.json or .txt, exit status on the last line). After a
// deliberate change run the tests with UPDATE_GOLDEN=1 and review the diff of golden/.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

#include "lwtest.h"
#include "lwtext.h"
#include "test_support.h"

namespace {
struct GoldenCase {
    std::string name;
    Bytes bytes;
    std::string options;
};
void PrintTo(const GoldenCase& c, std::ostream* out) { *out << c.name; }

// The writer's sample objects, then every object of objects/*.lwt.
std::vector<GoldenCase> goldenCases()
{
    const char* full = "--json --full";
    Bytes cut = lwwCube(0);
    cut.resize(70);
    std::vector<GoldenCase> cases = {
        {"cube-faces", lwwCube(1.56207f), full},  // just under a right angle
        {"cube-smooth", lwwCube(1.6f), full},
        {"sample", lwwSampleObject(), full},
        {"sample-brief", lwwSampleObject(), "--json"},
        {"cube-text", lwwCube(1.5f, true, 2), ""},
        {"cut", cut, "--json"},
        {"empty", Bytes(), ""},
        {"lwob", lwwLwobObject(), full},
        {"torus", lwwTorusObject(6, 4), "--json --full --layer 1"},
    };
    const char* projections[] = {"planar", "cylindrical", "spherical", "cubic", "front", "uv"};
    for (int p = 0; p < 6; ++p) cases.push_back({std::string("cube-") + projections[p], lwwCube(0, true, p), full});
    // SubPatch levels beyond the maximum or the polygon budget are lowered; 0 keeps the cage.
    for (std::string level : {"0", "3", "4", "100"})
        cases.push_back({"grid-subdiv" + level, lwwSubPatchGrid(100), "--subdiv " + level});
    // Scenes, their dumps written by hand from the files: ours, and a sample of
    // Debian's assimp-testmodels (empty when not installed: skipped).
    auto bytesOf = [](const std::string& path) {
        const std::string b = readWholeFile(path);
        return Bytes(b.begin(), b.end());
    };
    cases.push_back({"inventory", bytesOf(LWT_DIR "/cases/inventory.lws"), "--json"});
    // An Image node mirrored across, clamped down, tiled 4 by 2 (the last case of lwo3.lwt).
    cases.push_back({"lwo3-tiles", lwtCases(LWT_DIR "/lwo3.lwt").back().bytes, ""});
    cases.push_back({"move_xz_bezier", bytesOf("/usr/share/assimp/models/LWS/move_xz_bezier.lws"), ""});
    for (const auto& e : std::filesystem::directory_iterator(LWT_DIR "/objects")) {
        std::string name = e.path().stem().string();
        cases.push_back({name, lwtCases(e.path().string()).at(0).bytes, full});
    }
    return cases;
}

class LwGolden : public testing::TestWithParam<GoldenCase> {};

TEST_P(LwGolden, DumpMatches)
{
    const GoldenCase& c = GetParam();
    const std::string dir = testFolder();
    // The content, not the name, makes a scene; the name says it to the reader of the dump.
    const bool scene = c.bytes.size() > 4 && std::equal(c.bytes.begin(), c.bytes.begin() + 4, "LWSC");
    if (c.name == "move_xz_bezier" && !scene) GTEST_SKIP() << "Debian's assimp-testmodels are not installed";
    const std::string file = c.name + (scene ? ".lws" : ".lwo");
    LwWriter w;  // its save, the empty object's included
    w.bytes = c.bytes;
    ASSERT_TRUE(w.save((dir + "/" + file).c_str()));
    std::string out;
    FILE* p = popen(("cd " + dir + " && " LWO_INFO " " + c.options + " " + file).c_str(), "r");
    char buf[4096];
    for (size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    int status = p ? pclose(p) : -1;
    out += "exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + "\n";
    std::string golden = LWT_DIR "/golden/" + c.name + (c.options.find("json") != std::string::npos ? ".json" : ".txt");
    if (std::getenv("UPDATE_GOLDEN")) {
        EXPECT_TRUE(writeWholeFile(golden, out));
        return;
    }
    EXPECT_EQ(out, readWholeFile(golden)) << "differs from " << golden;
}

INSTANTIATE_TEST_SUITE_P(Objects, LwGolden, testing::ValuesIn(goldenCases()),
                         [](const testing::TestParamInfo<GoldenCase>& i) {
                             std::string n = i.param.name;
                             for (char& ch : n) ch = ch == '-' ? '_' : ch;
                             return n;
                         });
}  // namespace
