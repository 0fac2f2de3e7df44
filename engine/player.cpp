// Keyframe player: keys set at chosen frames, every frame filled by linear
// interpolation once, then played by the clock's 10 ms ticks.
#include "engine.h"

#include <cstdlib>
#include <cstring>

#include "toolkit.h"

// The last look-at flag switched, shared by all players.
static unsigned char lastLookAt = 0;

KeyframePlayer::KeyframePlayer()
    : frames(static_cast<Keyframe*>(std::calloc(1, sizeof(Keyframe)))),
      scene(nullptr),
      object(nullptr),
      lastFrame(0),
      currentFrame(0),
      animSpeed(60),
      started(0),
      loop(0),
      splineMode(0)
{
}

KeyframePlayer::~KeyframePlayer()
{
    std::free(frames);
}

bool KeyframePlayer::resize(int32_t lastFrameIndex)
{
    if (lastFrameIndex <= 0) {
        std::free(frames);
        frames = static_cast<Keyframe*>(std::calloc(1, sizeof(Keyframe)));
        currentFrame = 0;
        lastFrame = 0;
        return false;
    }
    size_t count = static_cast<size_t>(lastFrameIndex) + 1;
    Keyframe* grown = static_cast<Keyframe*>(std::realloc(frames, count * sizeof(Keyframe)));
    if (!grown) return false;
    frames = grown;
    for (int32_t f = lastFrame + 1; f <= lastFrameIndex; f++) std::memset(&frames[f], 0, sizeof(Keyframe));
    lastFrame = lastFrameIndex;
    if (currentFrame > lastFrame) currentFrame = lastFrame;
    return true;
}

void KeyframePlayer::setKey(int32_t frame, Scene* keyScene, SceneObject* keyObject, const float position[3],
                            const float angles[3])
{
    if (!frames || frame < 0 || frame > lastFrame) return;
    object = keyObject;
    scene = keyScene;
    Keyframe* k = &frames[frame];
    for (int i = 0; i < 3; i++) {
        k->position[i] = position[i];
        k->angles[i] = angles[i];
    }
    k->isKey = 1;
    k->lookAt = 0;
}

// The six animated values of a frame: position, then angles.
static void readValues(const Keyframe* k, float values[6])
{
    for (int i = 0; i < 3; i++) {
        values[i] = k->position[i];
        values[3 + i] = k->angles[i];
    }
}

static void writeValues(Keyframe* k, const float values[6])
{
    for (int i = 0; i < 3; i++) {
        k->position[i] = values[i];
        k->angles[i] = values[3 + i];
    }
}

// Every step and sum is single precision: the paths the scenes were tuned
// with depend on it, rounding included.
int32_t KeyframePlayer::buildFrames()
{
    if (!frames) return 0;
    float running[6];
    readValues(&frames[0], running);
    unsigned char runningLookAt = frames[0].lookAt;
    int32_t nextToFill = 0;
    int32_t keyCount = 0;

    for (int32_t f = 0; f <= lastFrame; f++) {
        Keyframe* key = &frames[f];
        if (key->isKey != 1) continue;
        keyCount++;

        float span = static_cast<float>(f - nextToFill);
        if (span <= 0.0f) span = 1.0f;
        float keyValues[6];
        readValues(key, keyValues);
        float step[6];
        for (int i = 0; i < 6; i++) step[i] = (keyValues[i] - running[i]) / span;

        if (nextToFill == f) {
            // A key met with nothing to fill before it is taken as it stands.
            key->lookAt = runningLookAt;
            for (int i = 0; i < 6; i++) running[i] = keyValues[i];
            nextToFill = f + 1;
        } else {
            for (int32_t g = nextToFill; g < f; g++) {
                writeValues(&frames[g], running);
                frames[g].lookAt = runningLookAt;
                for (int i = 0; i < 6; i++) running[i] += step[i];
            }
            nextToFill = f;
        }
        runningLookAt = key->lookAt;
    }
    return keyCount;
}

bool KeyframePlayer::advance()
{
    if (!scene || !object || !frames) return false;
    if (object->visible == 0 && object->isCamera == 0) return false;

    if (started == 0) {
        tickTimer.ticks.store(0);
        started = 1;
        ringSteps.start(tickTimer.elapsedMs.load());
    }

    // Rings turn by steps of the clock, taken here however many fell due
    // since the last call, each as the one step a call once took.
    uint32_t steps = ringSteps.due(tickTimer.elapsedMs.load());
    for (uint32_t s = 0; s < steps && object->isCamera == 0 && object->next && object->next != object; s++) {
        if (object->countdown > 0) {
            object->countdown--;
        } else {
            scene->hideObject(object);
            object->countdown = object->period;
            object = object->next;
            object->visible = 1;
        }
    }

    const Keyframe* frame = &frames[currentFrame];
    if (frame->lookAt == 1) {
        scene->setLookAtTarget(object->ringHead, frame->target[0], frame->target[1], frame->target[2]);
        lastLookAt = 1;
    } else if (lastLookAt != frame->lookAt) {
        scene->clearLookAt(object);
        lastLookAt = frame->lookAt;
    }

    // Wide sum so that no tick count can wrap the frame index.
    int64_t next = static_cast<int64_t>(currentFrame) + tickTimer.ticks.load();
    if (next > lastFrame) next = loop == 1 ? 0 : lastFrame;
    if (next < 0) next = 0;
    currentFrame = static_cast<int32_t>(next);

    const Keyframe* shown = &frames[currentFrame];
    scene->setObjectTransform(object->ringHead, shown->position[0], shown->position[1], shown->position[2],
                              shown->angles[0], shown->angles[1], shown->angles[2]);
    return true;
}
