// Scene and object model, the engine's diagnostics and the keyframe player,
// without a display.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine.h"
#include "test_support.h"
#include "toolkit.h"

namespace {

std::string infoLine(const std::string& m) { return "[TovikTools Info]:: le saviez vous?, <Vordelle3DV4.1" + m + ">\n"; }
std::string warningLine(const std::string& m) { return "[TovikTools Warning]:: Attention, <Vordelle3DV4.1" + m + ">\n"; }

TEST(EngineDiagnostics, PrefixTheEngineNameUncutAndOnlyWhenVerboseIsOne)
{
    std::string longMessage = std::string(3000, 'z') + "END";
    auto report = [&] {
        Scene::reportWarning(" est parmis nous ");
        Scene::reportInfo("");
        Scene::reportInfo(longMessage.c_str());
    };
    EXPECT_EQ(captureVerbose(report), warningLine(" est parmis nous ") + infoLine("") + infoLine(longMessage));
    EXPECT_EQ(captureVerbose(report, 2), "");
    EXPECT_EQ(captureVerbose(report, 0), "");
}

TEST(EngineDiagnosticsDeathTest, FatalShowsThePrefixedTitleAndExitsWithMinusOne)
{
    EXPECT_EXIT(Scene::reportFatal(" plus rien"), testing::ExitedWithCode(255),
                "Vordelle3DV4.1 plus rien\n\\[TovikTools Error\\] <Woooh!!>");
}

TEST(SceneModel, LifeWithoutDisplay)
{
    Scene* scene = nullptr;
    EXPECT_EQ(captureVerbose([&] { scene = new Scene(); }),
              infoLine(" Sortie Video SDL non utilisee ") + infoLine(" est parmis nous "));
    ASSERT_NE(scene->camera, nullptr);
    EXPECT_EQ(scene->objects[0], scene->camera);
    EXPECT_EQ(scene->camera->isCamera, 1);
    EXPECT_EQ(captureVerbose([&] { delete scene; }), infoLine(" nous quitte "));
}

TEST(SceneModel, ObjectTable)
{
    Scene scene;
    int32_t unnamed = emptyObjectCounter;
    std::string longName(100, 'n');
    SceneObject* cut = scene.createObject(longName.c_str());
    EXPECT_EQ(std::string(cut->name), longName.substr(0, 31));
    EXPECT_EQ(cut->visible, 1);
    ASSERT_NE(cut->player, nullptr);
    EXPECT_EQ(cut->player->object, cut);
    SceneObject* first = scene.createObject("Boule");
    SceneObject* second = scene.createObject("Boule");
    EXPECT_EQ(scene.findObject("Boule"), first);
    EXPECT_NE(first, second);
    EXPECT_EQ(scene.findObject("boule"), nullptr);
    EXPECT_EQ(scene.findObject("Boul"), nullptr);
    EXPECT_EQ(scene.findObject("camera"), scene.camera);
    EXPECT_EQ(scene.findObject(nullptr), nullptr);
    // Unnamed objects are numbered across every scene of the process.
    EXPECT_STREQ(scene.createObject(nullptr)->name, ("Empty " + std::to_string(unnamed)).c_str());
    EXPECT_STREQ(Scene().createObject(nullptr)->name, ("Empty " + std::to_string(unnamed + 1)).c_str());

    while (scene.objectCount < maxSceneObjects) ASSERT_NE(scene.createObject("o"), nullptr);
    EXPECT_EQ(scene.createObject("one too many"), nullptr);
    EXPECT_EQ(scene.createObject(nullptr), nullptr);
    EXPECT_EQ(scene.objectCount, 1024);
}

TEST(SceneModel, SurfaceTable)
{
    Scene scene;
    std::string longName(100, 's');
    EngineSurface* first = scene.createSurface(longName.c_str());
    EXPECT_EQ(first, &scene.surfaces.items[1]);
    EXPECT_EQ(std::string(first->name), longName.substr(0, 63));
    EXPECT_EQ(scene.findSurface(longName.substr(0, 63).c_str()), first);
    EXPECT_EQ(scene.createSurface(first->name), nullptr);
    EXPECT_EQ(scene.findSurface("S"), nullptr);
    for (int i = 2; i <= maxSceneSurfaces; i++)
        ASSERT_EQ(scene.createSurface(std::to_string(i).c_str()), &scene.surfaces.items[i]) << i;
    EXPECT_EQ(scene.textureCounter, 512);
    EXPECT_EQ(scene.nextTextureName(), 0u);
    EXPECT_EQ(captureVerbose([&] { EXPECT_EQ(scene.createSurface("513"), nullptr); }),
              warningLine(" MAXIMUM  de Surfaces depasse "));
    // A name already present is refused silently, even on a full table.
    EXPECT_EQ(captureVerbose([&] { EXPECT_EQ(scene.createSurface("2"), nullptr); }), "");
    EXPECT_EQ(scene.surfaceCount, 512);
}

int playersReleased = 0;
struct CountedPlayer : KeyframePlayer {
    ~CountedPlayer() override { ++playersReleased; }
};

// Each object's player is released once, past a hole in the table too. (The
// sanitized build checks the deletes of the objects' arrays wherever a test
// releases a scene with loaded objects.)
TEST(SceneModel, DestructionReleasesEveryObjectOnce)
{
    Scene* scene = new Scene();
    for (int o = 0; o < 4; o++) scene->createObject(nullptr);
    for (int i = 0; i < scene->objectCount; i++) {
        delete scene->objects[i]->player;
        scene->objects[i]->player = new CountedPlayer();
    }
    SceneObject* taken = scene->objects[2];
    scene->objects[2] = nullptr;
    playersReleased = 0;
    delete scene;
    EXPECT_EQ(playersReleased, 4);  // the camera and every object but the one taken out
    scene = new Scene();
    scene->objects[1] = taken;  // what was taken is released by another scene
    scene->objectCount = 2;
    delete scene;
    EXPECT_EQ(playersReleased, 5);
}

void keyX(KeyframePlayer& player, int32_t frame, float x, Scene* scene = nullptr, SceneObject* object = nullptr)
{
    const float position[3] = {x, 0.0f, 0.0f};
    const float angles[3] = {0.0f, 0.0f, 0.0f};
    player.setKey(frame, scene, object, position, angles);
}

// The paths of cases/paths.txt.
TEST(KeyframeBuild, FillsEveryFrameFromTheKeys)
{
    for (const auto& c : readCases(ENGINE_CASES "/paths.txt", 3)) {
        SCOPED_TRACE(c[0] + " | " + c[1]);
        KeyframePlayer player;
        ASSERT_TRUE(player.resize(std::stoi(c[0])));
        std::vector<float> keys = numbersIn(c[1]), xs;
        for (size_t k = 0; k + 1 < keys.size(); k += 2) keyX(player, int32_t(keys[k]), keys[k + 1]);
        EXPECT_EQ(player.buildFrames(), int32_t(keys.size() / 2));
        for (int32_t f = 0; f <= player.lastFrame; f++) xs.push_back(player.frames[f].position[0]);
        EXPECT_EQ(xs, numbersIn(c[2]));
    }
}

// All six values are interpolated, each step summed in single precision (a
// wider sum rounds differently on some frames).
TEST(KeyframeBuild, AllSixValuesStepInSinglePrecision)
{
    KeyframePlayer player;
    ASSERT_TRUE(player.resize(11));
    const float zero[3] = {0, 0, 0}, position[3] = {1.0f, -10.0f, 9.0f}, angles[3] = {90, -180, 270};
    player.setKey(0, nullptr, nullptr, zero, zero);
    player.setKey(11, nullptr, nullptr, position, angles);
    player.buildFrames();
    float sum = 0.0f;
    for (int g = 1; g <= 10; g++, sum += 0.1f) EXPECT_EQ(player.frames[g].position[0], sum) << g;
    const Keyframe& k = player.frames[6];
    const float expected[6] = {0.5f, -5.0f, 4.5f, 45.0f, -90.0f, 135.0f};
    for (int i = 0; i < 6; i++) EXPECT_NEAR(i < 3 ? k.position[i] : k.angles[i - 3], expected[i], 1e-4f) << i;
}

TEST(KeyframeResize, GrowsClearedShrinksResetsAndIgnoresKeysOutside)
{
    Scene scene;
    SceneObject* object = scene.createObject("o");
    KeyframePlayer player;
    ASSERT_TRUE(player.resize(5));
    for (int32_t outside : {6, -1}) keyX(player, outside, 1.0f, &scene, object);
    EXPECT_EQ(player.object, nullptr);
    keyX(player, 5, 3.0f, &scene, object);
    player.currentFrame = 5;
    ASSERT_TRUE(player.resize(3));
    EXPECT_EQ(player.currentFrame, 3);
    ASSERT_TRUE(player.resize(5));  // the frames that come back are cleared
    EXPECT_EQ(player.frames[5].isKey, 0);
    keyX(player, 0, 9.0f);
    EXPECT_FALSE(player.resize(0));
    EXPECT_EQ(player.lastFrame, 0);
    EXPECT_EQ(player.currentFrame, 0);
    EXPECT_EQ(player.frames[0].isKey, 0);
}

// An object whose player has x = frame index on frames 0 .. 100.
struct Playback : testing::Test {
    Scene scene;
    SceneObject* object = nullptr;
    KeyframePlayer* player = nullptr;

    void SetUp() override
    {
        object = scene.createObject("mobile");
        player = object->player;
        ASSERT_TRUE(player->resize(100));
        keyX(*player, 0, 0.0f, &scene, object);
        for (int32_t f = 0; f <= 100; f++) player->frames[f].position[0] = static_cast<float>(f);
        tickTimer.ticks.store(0);
    }
    bool advanceBy(int32_t ticks)
    {
        tickTimer.ticks.store(ticks);
        return player->advance();
    }
};

TEST_F(Playback, StepsByTheTicksThenStopsOrLoops)
{
    struct Step {
        unsigned char loop;
        int32_t from, ticks, to;
    };
    const Step steps[] = {{0, 0, 3, 3}, {0, 95, 10, 100}, {0, 100, 10, 100}, {1, 95, 10, 0}, {1, 95, 5, 100},
                          {0, 10, -20, 0}};
    scene.setObjectTransform(object, 5, 5, 5, 5, 5, 5);
    // The first advance applies frame 0 and starts the count afresh.
    EXPECT_TRUE(advanceBy(37));
    EXPECT_EQ(player->currentFrame, 0);
    EXPECT_EQ(tickTimer.ticks.load(), 0);
    EXPECT_EQ(object->current.x, 0.0f);
    EXPECT_EQ(object->current.heading, 0.0f);
    for (const Step& s : steps) {
        player->loop = s.loop;
        player->currentFrame = s.from;
        EXPECT_TRUE(advanceBy(s.ticks));
        EXPECT_EQ(player->currentFrame, s.to) << "loop " << int(s.loop) << " from " << s.from << " by " << s.ticks;
        EXPECT_EQ(object->current.x, static_cast<float>(s.to));
        EXPECT_EQ(tickTimer.ticks.load(), s.ticks);  // render resets them, not advance
    }
}

// Hidden objects and empty players stay where they are, the camera moves
// though never shown, and look-at frames aim the object until a frame without.
TEST_F(Playback, HiddenEmptyCameraAndLookAt)
{
    advanceBy(0);
    player->frames[1].lookAt = 1;
    player->frames[1].target[2] = 3.0f;
    EXPECT_TRUE(advanceBy(1));
    EXPECT_TRUE(advanceBy(1));
    EXPECT_EQ(object->lookAtMode, 1);
    EXPECT_EQ(object->target.z, 3.0f);
    EXPECT_TRUE(advanceBy(1));
    EXPECT_EQ(object->lookAtMode, 0);
    scene.hideObject(object);
    EXPECT_FALSE(advanceBy(4));
    EXPECT_EQ(player->currentFrame, 3);
    EXPECT_FALSE(KeyframePlayer().advance());

    SceneObject* camera = scene.camera;
    ASSERT_TRUE(camera->player->resize(10));
    keyX(*camera->player, 10, 10.0f, &scene, camera);
    camera->player->buildFrames();
    EXPECT_TRUE(camera->player->advance());
    tickTimer.ticks.store(4);
    EXPECT_TRUE(camera->player->advance());
    EXPECT_EQ(camera->current.x, 4.0f);
}

// Three objects in a ring, keyed on the head's player.
struct Ring : testing::Test {
    Scene scene;
    SceneObject* members[3] = {};
    KeyframePlayer* player = nullptr;

    void SetUp() override
    {
        for (SceneObject*& m : members) m = scene.createObject(nullptr);
        for (int i = 0; i < 3; i++) {
            members[i]->next = members[(i + 1) % 3];
            members[i]->ringHead = members[0];
            if (i > 0) scene.hideObject(members[i]);
        }
        player = members[0]->player;
        ASSERT_TRUE(player->resize(10));
        keyX(*player, 0, 7.0f, &scene, members[0]);
        keyX(*player, 10, 7.0f, &scene, members[0]);
        player->buildFrames();
        tickTimer.ticks.store(0);
    }

    int shown() const
    {
        int member = -1;
        for (int i = 0; i < 3; i++)
            if (members[i]->visible == 1) member = member < 0 ? i : -2;  // -2: two at once
        return member;
    }
    // The member shown after each of `calls` advances, as runs of (member, calls).
    std::vector<std::pair<int, int>> runsOver(int calls)
    {
        std::vector<std::pair<int, int>> runs;
        for (int c = 0; c < calls; c++) {
            tickTimer.elapsedMs.fetch_add(20);  // rings turn by 20 ms steps of the clock: one per call here
            EXPECT_TRUE(player->advance());
            if (!runs.empty() && runs.back().first == shown()) runs.back().second++;
            else runs.push_back({shown(), 1});
        }
        return runs;
    }
    // The member shown at every multiple of 40 ms over 6 s of a clock read every `callMs`.
    std::vector<int> shownEvery40Ms(uint32_t callMs)
    {
        scene.reinitialise();
        player->started = 0;
        std::vector<int> seen;
        for (uint32_t now = 0; now <= 6000; now += callMs) {
            tickTimer.elapsedMs.store(now);
            player->advance();
            if (now % 40 == 0) seen.push_back(shown());
        }
        return seen;
    }
};

using Runs = std::vector<std::pair<int, int>>;

TEST_F(Ring, TurnsAfterPeriodCallsThenPeriodPlusOne)
{
    scene.reinitialise();
    EXPECT_EQ(runsOver(50 + 51 * 3 + 1), (Runs{{0, 50}, {1, 51}, {2, 51}, {0, 51}, {1, 1}}));
    // Frames go to the head's transform only.
    EXPECT_EQ(members[0]->current.x, 7.0f);
    EXPECT_EQ(members[1]->current.x, 0.0f);
    // Rewinding brings the ring back to its head, its countdowns and the player to frame 0.
    player->currentFrame = 6;
    scene.reinitialise();
    EXPECT_EQ(player->currentFrame, 0);
    EXPECT_EQ(player->object, members[0]);
    EXPECT_EQ(runsOver(52), (Runs{{0, 50}, {1, 2}}));
}

TEST_F(Ring, TurnsEvery50StepsOfTheClockAtAnyCallRate)
{
    std::vector<int> fast = shownEvery40Ms(10), slow = shownEvery40Ms(40);
    EXPECT_EQ(fast, slow);
    // The first turn on the 51st step (1000 ms), the next 51 steps later (2020 ms).
    ASSERT_EQ(fast.size(), 151u);
    EXPECT_EQ(fast[24], 0);  // 960 ms
    EXPECT_EQ(fast[25], 1);  // 1000 ms
    EXPECT_EQ(fast[50], 1);  // 2000 ms
    EXPECT_EQ(fast[51], 2);  // 2040 ms
}

TEST_F(Ring, WithoutRewindEachMemberShowsForOneCallOnTheFirstPass)
{
    EXPECT_EQ(runsOver(3 + 50), (Runs{{1, 1}, {2, 1}, {0, 51}}));
}

TEST_F(Ring, RewindWarnsAboutAHoleInTheTable)
{
    SceneObject* last = scene.createObject("last");
    scene.objects[scene.objectCount - 1] = nullptr;
    std::string out = captureVerbose([&] { scene.reinitialise(); });
    scene.objects[scene.objectCount - 1] = last;
    EXPECT_NE(out.find(warningLine("Erreur lors de la re-initialisation de la scene, la scene est corrompue!")),
              std::string::npos);
    EXPECT_EQ(scene.listsCompiled, 1);  // the lists are still made (no context: no names)
}

}  // namespace
