// The animation by time: the scene's clock for placements evaluated at a
// time, stepped by the same 10 ms ticks as the keyframe players.
#include <cmath>

#include "engine.h"
#include "toolkit.h"

void Scene::advanceAnimation(bool loop)
{
    if (!animation) return;
    SceneAnimation* a = animation;
    double t = a->seconds;
    if (!a->started) {
        a->started = 1;
        t = a->firstSeconds;
    } else {
        // The ticks since the last frame, as the players read them (the
        // render sets them back to 0); a negative count is no step.
        const int32_t ticks = tickTimer.ticks.load();
        if (ticks > 0) t += ticks * 0.01;
    }
    const double span = a->lastSeconds - a->firstSeconds;
    if (t > a->lastSeconds) t = loop && span > 0 ? a->firstSeconds + std::fmod(t - a->firstSeconds, span) : a->lastSeconds;
    a->place(this, t);
}

void Scene::setAnimationTime(double seconds)
{
    if (!animation) return;
    animation->started = 1;
    animation->place(this, seconds);
}
