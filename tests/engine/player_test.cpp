// Keyframe player: interpolation, playback by ticks, rings and rewinding.
#include <gtest/gtest.h>

#include <vector>

#include "engine.h"
#include "toolkit.h"

namespace {

void keyX(KeyframePlayer& player, Scene* scene, SceneObject* object, int32_t frame, float x)
{
    const float position[3] = {x, 0.0f, 0.0f};
    const float angles[3] = {0.0f, 0.0f, 0.0f};
    player.setKey(frame, scene, object, position, angles);
}

std::vector<float> framesX(const KeyframePlayer& player)
{
    std::vector<float> xs;
    for (int32_t f = 0; f <= player.lastFrame; f++) xs.push_back(player.frames[f].position[0]);
    return xs;
}

}  // namespace

TEST(KeyframeBuild, TwoKeysHoldTheFirstOneFrameMore)
{
    KeyframePlayer player;
    ASSERT_TRUE(player.resize(10));
    keyX(player, nullptr, nullptr, 0, 0.0f);
    keyX(player, nullptr, nullptr, 10, 9.0f);
    EXPECT_EQ(player.buildFrames(), 2);
    EXPECT_EQ(framesX(player), (std::vector<float>{0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(KeyframeBuild, SegmentAfterAGapStartsOnTheKeyFrame)
{
    KeyframePlayer player;
    ASSERT_TRUE(player.resize(20));
    keyX(player, nullptr, nullptr, 0, 0.0f);
    keyX(player, nullptr, nullptr, 10, 9.0f);
    keyX(player, nullptr, nullptr, 20, 19.0f);
    EXPECT_EQ(player.buildFrames(), 3);
    std::vector<float> xs = framesX(player);
    for (int f = 10; f <= 19; f++) EXPECT_EQ(xs[f], f - 1.0f) << f;
    EXPECT_EQ(xs[20], 19.0f);
}

TEST(KeyframeBuild, AdjacentKeysStartFromTheSecondKey)
{
    KeyframePlayer player;
    ASSERT_TRUE(player.resize(5));
    keyX(player, nullptr, nullptr, 0, 0.0f);
    keyX(player, nullptr, nullptr, 1, 4.0f);
    keyX(player, nullptr, nullptr, 5, 7.0f);
    EXPECT_EQ(player.buildFrames(), 3);
    EXPECT_EQ(framesX(player), (std::vector<float>{0, 4, 4, 5, 6, 7}));
}

TEST(KeyframeBuild, FramesBeforeTheFirstKeyRampFromFrameZero)
{
    KeyframePlayer player;
    ASSERT_TRUE(player.resize(6));
    keyX(player, nullptr, nullptr, 4, 8.0f);
    EXPECT_EQ(player.buildFrames(), 1);
    // Frames after the last key are left as they are.
    EXPECT_EQ(framesX(player), (std::vector<float>{0, 2, 4, 6, 8, 0, 0}));
}

TEST(KeyframeBuild, AllSixValuesAreInterpolated)
{
    KeyframePlayer player;
    ASSERT_TRUE(player.resize(4));
    const float zero[3] = {0.0f, 0.0f, 0.0f};
    const float position[3] = {3.0f, -6.0f, 9.0f};
    const float angles[3] = {90.0f, -180.0f, 270.0f};
    player.setKey(0, nullptr, nullptr, zero, zero);
    player.setKey(4, nullptr, nullptr, position, angles);
    player.buildFrames();
    const Keyframe& k = player.frames[3];  // two steps of a third
    EXPECT_EQ(k.position[0], 2.0f);
    EXPECT_EQ(k.position[1], -4.0f);
    EXPECT_EQ(k.position[2], 6.0f);
    EXPECT_EQ(k.angles[0], 60.0f);
    EXPECT_EQ(k.angles[1], -120.0f);
    EXPECT_EQ(k.angles[2], 180.0f);
    EXPECT_EQ(player.frames[4].isKey, 1);
    EXPECT_EQ(player.frames[3].isKey, 0);
}

// The stored paths accumulate their steps in single precision; a wider sum
// rounds differently after a few frames.
TEST(KeyframeBuild, StepsAccumulateInSinglePrecision)
{
    KeyframePlayer player;
    ASSERT_TRUE(player.resize(11));
    keyX(player, nullptr, nullptr, 0, 0.0f);
    keyX(player, nullptr, nullptr, 11, 1.0f);
    player.buildFrames();

    float step = 1.0f / 10.0f;
    float single = 0.0f;
    double wide = 0.0;
    int telling = 0;  // frames where the two sums differ, so the case tells them apart
    for (int g = 1; g <= 10; g++) {
        EXPECT_EQ(player.frames[g].position[0], single) << g;
        if (single != static_cast<float>(wide)) telling++;
        single += step;
        wide += step;
    }
    EXPECT_GT(telling, 0);
    EXPECT_EQ(player.frames[11].position[0], 1.0f);
}

TEST(KeyframeBuild, BuildingAgainGivesTheSamePath)
{
    KeyframePlayer player;
    ASSERT_TRUE(player.resize(30));
    keyX(player, nullptr, nullptr, 0, 0.0f);
    keyX(player, nullptr, nullptr, 7, 3.0f);
    keyX(player, nullptr, nullptr, 30, -5.0f);
    player.buildFrames();
    std::vector<float> first = framesX(player);
    EXPECT_EQ(player.buildFrames(), 3);
    std::vector<float> second = framesX(player);
    for (size_t f = 0; f < first.size(); f++) EXPECT_NEAR(first[f], second[f], 1e-5f) << f;
}

TEST(KeyframeResize, GrowsClearedShrinksAndResets)
{
    KeyframePlayer player;
    EXPECT_EQ(player.lastFrame, 0);
    ASSERT_NE(player.frames, nullptr);

    ASSERT_TRUE(player.resize(5));
    keyX(player, nullptr, nullptr, 5, 3.0f);
    player.currentFrame = 5;
    ASSERT_TRUE(player.resize(3));
    EXPECT_EQ(player.lastFrame, 3);
    EXPECT_EQ(player.currentFrame, 3);
    // Growing again clears the frames that come back.
    ASSERT_TRUE(player.resize(5));
    EXPECT_EQ(player.frames[5].isKey, 0);
    EXPECT_EQ(player.frames[5].position[0], 0.0f);

    keyX(player, nullptr, nullptr, 0, 9.0f);
    EXPECT_FALSE(player.resize(0));
    EXPECT_EQ(player.lastFrame, 0);
    EXPECT_EQ(player.currentFrame, 0);
    EXPECT_EQ(player.frames[0].isKey, 0);
    EXPECT_EQ(player.frames[0].position[0], 0.0f);
    EXPECT_FALSE(player.resize(-4));
    EXPECT_EQ(player.lastFrame, 0);
}

TEST(KeyframeSetKey, OutsideTheFramesIsIgnored)
{
    Scene scene;
    SceneObject* object = scene.createObject("o");
    KeyframePlayer player;
    ASSERT_TRUE(player.resize(3));
    keyX(player, &scene, object, 4, 1.0f);
    keyX(player, &scene, object, -1, 1.0f);
    EXPECT_EQ(player.scene, nullptr);
    EXPECT_EQ(player.object, nullptr);
    keyX(player, &scene, object, 3, 1.0f);
    EXPECT_EQ(player.scene, &scene);
    EXPECT_EQ(player.object, object);
    EXPECT_EQ(player.frames[3].isKey, 1);
    EXPECT_EQ(player.frames[3].lookAt, 0);
}

namespace {

// A scene with one object whose player has x = frame index on frames 0 .. 100.
struct Playback : testing::Test {
    Scene scene;
    SceneObject* object = nullptr;
    KeyframePlayer* player = nullptr;

    void SetUp() override
    {
        object = scene.createObject("mobile");
        player = object->player;
        ASSERT_TRUE(player->resize(100));
        keyX(*player, &scene, object, 0, 0.0f);
        for (int32_t f = 0; f <= 100; f++) player->frames[f].position[0] = static_cast<float>(f);
        tickTimer.ticks.store(0);
    }

    bool advanceBy(int32_t ticks)
    {
        tickTimer.ticks.store(ticks);
        return player->advance();
    }
};

}  // namespace

TEST_F(Playback, FirstAdvanceAppliesFrameZeroAndResetsTheTicks)
{
    scene.setObjectTransform(object, 5.0f, 5.0f, 5.0f, 5.0f, 5.0f, 5.0f);
    EXPECT_TRUE(advanceBy(37));
    EXPECT_EQ(player->started, 1);
    EXPECT_EQ(player->currentFrame, 0);
    EXPECT_EQ(tickTimer.ticks.load(), 0);
    EXPECT_EQ(object->current.x, 0.0f);
    EXPECT_EQ(object->current.heading, 0.0f);

    EXPECT_TRUE(advanceBy(3));
    EXPECT_EQ(player->currentFrame, 3);
    EXPECT_EQ(object->current.x, 3.0f);
    EXPECT_EQ(tickTimer.ticks.load(), 3);  // render resets them, not advance
}

TEST_F(Playback, StopsAtTheLastFrame)
{
    advanceBy(0);
    player->currentFrame = 95;
    EXPECT_TRUE(advanceBy(10));
    EXPECT_EQ(player->currentFrame, 100);
    EXPECT_EQ(object->current.x, 100.0f);
    EXPECT_TRUE(advanceBy(10));
    EXPECT_EQ(player->currentFrame, 100);
}

TEST_F(Playback, LoopsBackToFrameZero)
{
    player->loop = 1;
    advanceBy(0);
    player->currentFrame = 95;
    EXPECT_TRUE(advanceBy(10));
    EXPECT_EQ(player->currentFrame, 0);
    EXPECT_EQ(object->current.x, 0.0f);
    player->currentFrame = 95;
    EXPECT_TRUE(advanceBy(5));
    EXPECT_EQ(player->currentFrame, 100);
}

TEST_F(Playback, HiddenObjectsAndEmptyPlayersDoNotMove)
{
    advanceBy(0);
    scene.hideObject(object);
    EXPECT_FALSE(advanceBy(4));
    EXPECT_EQ(player->currentFrame, 0);

    // The camera moves even though it is never shown.
    SceneObject* camera = scene.camera;
    ASSERT_TRUE(camera->player->resize(10));
    keyX(*camera->player, &scene, camera, 10, 10.0f);
    camera->player->buildFrames();
    tickTimer.ticks.store(0);
    EXPECT_TRUE(camera->player->advance());
    tickTimer.ticks.store(4);
    EXPECT_TRUE(camera->player->advance());
    EXPECT_EQ(camera->current.x, 4.0f);

    KeyframePlayer empty;
    EXPECT_FALSE(empty.advance());
}

TEST_F(Playback, LookAtFramesAimTheRingHead)
{
    advanceBy(0);
    Keyframe& frame = player->frames[player->currentFrame];
    frame.lookAt = 1;
    frame.target[0] = 1.0f;
    frame.target[1] = 2.0f;
    frame.target[2] = 3.0f;
    EXPECT_TRUE(advanceBy(1));
    EXPECT_EQ(object->lookAtMode, 1);
    EXPECT_EQ(object->target.z, 3.0f);
    // The next frame has no look-at: the object goes back to its angles.
    EXPECT_TRUE(advanceBy(1));
    EXPECT_EQ(object->lookAtMode, 0);
}

namespace {

// A ring of three members after the head, keyed on the head's player.
struct Ring : testing::Test {
    Scene scene;
    SceneObject* members[3] = {};
    KeyframePlayer* player = nullptr;

    void SetUp() override
    {
        for (int i = 0; i < 3; i++) members[i] = scene.createObject(nullptr);
        for (int i = 0; i < 3; i++) {
            members[i]->next = members[(i + 1) % 3];
            members[i]->ringHead = members[0];
            if (i > 0) scene.hideObject(members[i]);
        }
        player = members[0]->player;
        ASSERT_TRUE(player->resize(10));
        keyX(*player, &scene, members[0], 0, 7.0f);
        keyX(*player, &scene, members[0], 10, 7.0f);
        player->buildFrames();
        tickTimer.ticks.store(0);
    }

    int shownMember() const
    {
        int shown = -1;
        for (int i = 0; i < 3; i++) {
            if (members[i]->visible != 1) continue;
            if (shown >= 0) return -2;  // two at once
            shown = i;
        }
        return shown;
    }

    // Lengths of the runs of calls during which one member stays shown.
    std::vector<int> runsOver(int calls, std::vector<int>* order = nullptr)
    {
        std::vector<int> runs;
        int previous = -1;
        for (int c = 0; c < calls; c++) {
            tickTimer.elapsedMs.fetch_add(20);  // rings turn by 20 ms steps of the clock: one per call here
            EXPECT_TRUE(player->advance());
            int shown = shownMember();
            EXPECT_GE(shown, 0);
            if (shown == previous) {
                runs.back()++;
            } else {
                runs.push_back(1);
                if (order) order->push_back(shown);
            }
            previous = shown;
        }
        return runs;
    }
};

}  // namespace

TEST_F(Ring, TurnsAfterPeriodCallsThenPeriodPlusOne)
{
    scene.reinitialise();
    for (int i = 0; i < 3; i++) EXPECT_EQ(members[i]->countdown, 50);
    std::vector<int> order;
    std::vector<int> runs = runsOver(50 + 51 + 51 + 51 + 1, &order);
    EXPECT_EQ(runs, (std::vector<int>{50, 51, 51, 51, 1}));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 0, 1}));
    // Frames go to the head's transform only.
    EXPECT_EQ(members[0]->current.x, 7.0f);
    EXPECT_EQ(members[1]->current.x, 0.0f);
    EXPECT_EQ(members[2]->current.x, 0.0f);
}

TEST_F(Ring, WithoutRewindEachMemberShowsForOneCallOnTheFirstPass)
{
    std::vector<int> order;
    std::vector<int> runs = runsOver(3 + 50, &order);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 0}));
    // Back on the head, whose countdown was reloaded when it was left.
    EXPECT_EQ(runs, (std::vector<int>{1, 1, 51}));
}

TEST_F(Ring, RewindBringsTheRingBackToItsHead)
{
    scene.reinitialise();
    runsOver(80);
    ASSERT_EQ(shownMember(), 1);
    player->currentFrame = 6;
    scene.reinitialise();
    EXPECT_EQ(shownMember(), 0);
    EXPECT_EQ(player->currentFrame, 0);
    EXPECT_EQ(player->object, members[0]);
    for (int i = 0; i < 3; i++) EXPECT_EQ(members[i]->countdown, 50);
    std::vector<int> runs = runsOver(52);
    EXPECT_EQ(runs, (std::vector<int>{50, 2}));
}

TEST_F(Ring, RewindWarnsAboutAHoleInTheTable)
{
    SceneObject* last = scene.createObject("last");
    scene.objects[scene.objectCount - 1] = nullptr;
    verbose = 1;
    testing::internal::CaptureStdout();
    scene.reinitialise();
    std::string out = testing::internal::GetCapturedStdout();
    verbose = 0;
    scene.objects[scene.objectCount - 1] = last;
    EXPECT_NE(out.find("<Vordelle3DV4.1Erreur lors de la re-initialisation de la scene, la scene est corrompue!>"),
              std::string::npos);
    // The lists are still made (no context here: the names cannot be reserved).
    EXPECT_EQ(scene.listsCompiled, 1);
}
