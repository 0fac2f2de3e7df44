#include "timeline.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>
#include <new>

#include "engine.h"
#include "flares.h"
#include "platform.h"
#include "toolkit.h"

namespace {

const float kFogColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
const float kTunnelPeriod = 2883.0f;  // length after which the tunnel's look repeats

// A frame is drawn while the clock has not passed the limit and Escape has not been pressed.
bool frameDue(float limitMs)
{
    return pumpEvents(limitMs) && !escapePressed;
}

void beginFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

Scene* createScene()
{
    Scene* scene = new (std::nothrow) Scene();
    if (!scene) fatalError(" Probleme grave d'allocation memoire");
    return scene;
}

// Scene::load rewrites the name where it lies, so it gets a copy.
void loadScene(Scene* scene, const char* fileName)
{
    char name[256];
    copyText(name, sizeof name, fileName);
    scene->load(name);
}

SceneObject* objectAt(Scene* scene, int index)
{
    return index < scene->objectCount ? scene->objects[index] : nullptr;
}

// An animation that does not exist counts as played out.
bool stillPlaying(SceneObject* object)
{
    return object && object->player && object->player->currentFrame < object->player->lastFrame;
}

void startMusic(HMUSIC& music)
{
    if (!BASS_Init(-1, 44100, 0x50, GetForegroundWindow()) && !BASS_Init(-1, 44100, 0x10, GetForegroundWindow()))
        fatalError(" Probleme d'init Bass Player");
    music = BASS_MusicLoad(0, "Datas/Zik/under.xm", 0, 0, 1);
    if (!music) fatalError("Chargement du module impossible");
    BASS_Start();
    if (!BASS_MusicPlay(music)) fatalError("Quelque chose empeche la musique de demarrer");
}

void setFlareGlState()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 1.0, static_cast<double>(0.1f), 128.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPushMatrix();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glFogfv(GL_FOG_COLOR, kFogColour);
    glEnable(GL_FOG);
}

void playFlares(FlareLayer layers[3])
{
    float density = 1.0f;

    flaresBackgroundOnly = 1;
    while (frameDue(5000.0f)) {
        beginFrame();
        layers[0].draw(0, 0, 0, 0, 0, 0);
        SDL_GL_SwapBuffers();
        fogStepDown(density);
    }

    flaresBackgroundOnly = 0;
    float phase = 0.0f, x0 = 0.0f, x1 = 0.0f, x2 = 0.0f;
    while (frameDue(23000.0f)) {
        beginFrame();
        layers[0].draw(x0, 0.2f, 0.0f, 0.0f, 0.001f, 0.0025f);
        layers[1].draw(x1, 0.0f, 0.0f, 0.0f, 0.001f, 0.0025f);
        layers[2].draw(x2, -0.25f, 0.0f, 0.0f, 0.001f, 0.005f);
        phase += 0.01f;
        x0 = static_cast<float>(std::cos(phase) / 5.0);
        x1 = static_cast<float>(std::cos(phase) / 10.0);
        x2 = static_cast<float>(std::cos(phase) / 2.5);
        SDL_GL_SwapBuffers();
        fogStepDown(density);
    }

    flaresBackgroundOnly = 1;
    while (frameDue(25000.0f)) {
        beginFrame();
        for (int i = 0; i < 3; ++i) layers[i].draw(0, 0, 0, 0, 0, 0);
        SDL_GL_SwapBuffers();
        fogStepUp(density);
    }
    glPopMatrix();
}

// The tunnel (object 1) runs towards -z by hand while the camera bobs and rolls;
// the flyer (object 2) plays its own keys in the second loop only.
struct Tunnel {
    Scene* scene;
    bool complete;  // camera, tunnel and flyer all present
    float phase;
    float offset;

    void frame(bool withFlyer, bool resetTicks)
    {
        beginFrame();
        int t = tickTimer.ticks.load();
        phase += static_cast<float>(t * 0.01);
        float a = static_cast<float>(std::cos(phase) / 2.0);
        float b = static_cast<float>(std::sin(phase) * 25.0);
        offset += static_cast<float>(2 * t);
        if (offset > kTunnelPeriod) offset = 0.0f;
        if (complete) {
            SceneObject* camera = scene->objects[0];
            SceneObject* tunnel = scene->objects[1];
            tunnel->player->advance();
            if (withFlyer) scene->objects[2]->player->advance();
            scene->setObjectTransform(camera, 0.0f, a, 0.0f, 0.0f, 0.0f, b);
            const Transform& own = *tunnel->transform;
            scene->setObjectTransform(tunnel, own.x, own.y, -offset, own.heading, own.pitch, own.bank);
        }
        if (resetTicks) tickTimer.ticks.store(0);
        if (scene->camera) scene->render();
        SDL_GL_SwapBuffers();
    }
};

void playTunnel()
{
    applySceneGlState();
    Tunnel tunnel{createScene(), false, 0.0f, 0.0f};
    Scene* scene = tunnel.scene;
    loadScene(scene, "Datas/tunnel-tux.pof");
    scene->reinitialise();
    glDisable(GL_FOG);

    SceneObject* flyer = objectAt(scene, 2);
    tunnel.complete = true;
    for (int i = 0; i < 3; ++i)
        if (!objectAt(scene, i) || !objectAt(scene, i)->player) tunnel.complete = false;
    if (tunnel.complete) {
        for (int i = 0; i < 3; ++i) scene->objects[i]->player->buildFrames();
        for (int i = 0; i < 3; ++i) scene->objects[i]->player->loop = 0;
    }
    scene->hideObject(flyer);

    while (frameDue(30000.0f)) tunnel.frame(false, true);

    if (tunnel.complete) {
        scene->showObject(flyer);
        while (frameDue(55000.0f) && stillPlaying(flyer)) tunnel.frame(true, false);
    }

    applySceneGlState();
    delete scene;
}

void playScene(const char* fileName, unsigned char loop, float limitMs, bool endsWithCamera)
{
    Scene* scene = createScene();
    loadScene(scene, fileName);
    for (int i = 0; i < scene->objectCount; ++i) {
        SceneObject* object = scene->objects[i];
        if (!object || !object->player) continue;
        object->player->buildFrames();
        object->player->loop = loop;
    }
    // Without a camera there is nothing to show from.
    bool showable = scene->camera != nullptr;
    while (showable && frameDue(limitMs) && (!endsWithCamera || stillPlaying(objectAt(scene, 0)))) {
        beginFrame();
        for (int i = 0; i < scene->objectCount; ++i) {
            SceneObject* object = scene->objects[i];
            if (object && object->player) object->player->advance();
        }
        scene->render();
        SDL_GL_SwapBuffers();
    }
    delete scene;
}

}  // namespace

int runTimeline()
{
    FlareLayer layers[3];  // destroyed last first when the run ends
    verbose = 0;

    HMUSIC music = 0;
    startMusic(music);
    openDisplay(640, 480, 0, 1, 1);
    setFlareGlState();

    layers[0].load("Datas/Flares1-Light.jpg", "Datas/Flares-Fond.jpg", 0.0f, 0.2f, 0.0f);
    layers[1].load("Datas/Flares2-Light.jpg", nullptr, 0.0f, 0.0f, 0.0f);
    layers[2].load("Datas/Flares3-Light.jpg", nullptr, 0.0f, -0.25f, 0.0f);
    playFlares(layers);

    playTunnel();
    playScene("Datas/Boule.pof", 0, 200000.0f, true);
    playScene("Datas/Cana.pof", 1, 95000.0f, false);
    playScene("Datas/Banniere.pof", 0, 150000.0f, false);

    BASS_Stop();
    BASS_MusicFree(music);
    BASS_Free();
    closeDisplay();
    return 0;
}
