#include "timeline.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "engine.h"
#include "flares.h"
#include "options.h"
#include "platform.h"
#include "recorder.h"
#include "stats.h"
#include "toolkit.h"

namespace {

// What the command line asked for, and what the run measures and records.
ShowOptions show;
ShowStats stats;
Recorder* recorder = nullptr;
bool stopped = false;  // --until reached or the recording failed: nothing more is drawn or loaded

const float kFogColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
const float kTunnelPeriod = 2883.0f;  // length after which the tunnel's look repeats

// A frame is drawn while the clock has not passed the limit and Escape has not been pressed.
bool frameDue(float limitMs)
{
    if (!stopped && show.untilMs && tickTimer.elapsedMs.load() > show.untilMs) stopped = true;
    return !stopped && pumpEvents(limitMs) && !escapePressed;
}

void present()
{
    if (recorder && !recorder->frameDrawn()) stopped = true;
    SDL_GL_SwapBuffers();
    stats.frameShown();
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
    // The flares were made for 640 x 480 with a square projection stretched
    // to 4:3; at another shape the projection widens so that they keep their look.
    double aspect = 1.0;
    if (screen && screen->w * 3 != screen->h * 4) aspect = (screen->w * 480.0) / (screen->h * 640.0);
    glViewport(0, 0, screen ? screen->w : 640, screen ? screen->h : 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, aspect, static_cast<double>(0.1f), 128.0);
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

// A stage that ends by its limit still owes the steps due up to it, so that
// the next stage starts from the same state whatever the frame rate.
void playFlareStage(FlareShow& flares, FlareShow::Stage stage, float limitMs)
{
    flaresBackgroundOnly = stage == FlareShow::Fountains ? 0 : 1;
    while (frameDue(limitMs)) {
        beginFrame();
        flares.frame(stage, tickTimer.elapsedMs.load());
        present();
    }
    if (!escapePressed && !stopped) flares.finish(stage, static_cast<uint32_t>(limitMs));
}

void playFlares(FlareLayer layers[3])
{
    FlareShow flares(layers);
    stats.part("flares, fondu");
    playFlareStage(flares, FlareShow::FadeIn, 5000.0f);
    stats.part("flares");
    playFlareStage(flares, FlareShow::Fountains, 23000.0f);
    stats.part("flares, sortie");
    playFlareStage(flares, FlareShow::FadeOut, 25000.0f);
    glEnable(GL_FOG);  // as the fades left it, whatever the last frame needed
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
        present();
    }
};

void playTunnel()
{
    if (stopped) return;
    applySceneGlState();
    Tunnel tunnel{createScene(), false, 0.0f, 0.0f};
    Scene* scene = tunnel.scene;
    double loadStart = ShowStats::nowMs();
    loadScene(scene, "Datas/tunnel-tux.pof");
    stats.loaded("Datas/tunnel-tux.pof", ShowStats::nowMs() - loadStart);
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

    stats.part("tunnel");
    while (frameDue(30000.0f)) tunnel.frame(false, true);

    if (tunnel.complete) {
        stats.part("tunnel et vaisseau");
        scene->showObject(flyer);
        while (frameDue(55000.0f) && stillPlaying(flyer)) tunnel.frame(true, false);
    }

    applySceneGlState();
    delete scene;
}

void playScene(const char* name, const char* fileName, unsigned char loop, float limitMs, bool endsWithCamera)
{
    if (stopped) return;
    Scene* scene = createScene();
    double loadStart = ShowStats::nowMs();
    loadScene(scene, fileName);
    stats.loaded(fileName, ShowStats::nowMs() - loadStart);
    for (int i = 0; i < scene->objectCount; ++i) {
        SceneObject* object = scene->objects[i];
        if (!object || !object->player) continue;
        object->player->buildFrames();
        object->player->loop = loop;
    }
    // Without a camera there is nothing to show from.
    bool showable = scene->camera != nullptr;
    stats.part(name);
    while (showable && frameDue(limitMs) && (!endsWithCamera || stillPlaying(objectAt(scene, 0)))) {
        beginFrame();
        for (int i = 0; i < scene->objectCount; ++i) {
            SceneObject* object = scene->objects[i];
            if (object && object->player) object->player->advance();
        }
        scene->render();
        present();
    }
    delete scene;
}

// The show's display: the asked size, in a window or full screen; a size the
// display refuses falls back to 640 x 480 with a warning.
void openShowDisplay()
{
    unsigned char fullScreen = show.window || show.recordPath ? 0 : 1;
    if (show.recordPath) swapControl = 0;  // frames are made as fast as they can be
    if (show.width != 640 || show.height != 480) {
        if (tryDisplayMode(show.width, show.height, 0, fullScreen, 1)) return;
        std::fprintf(stderr, "demo: taille %dx%d refusee par l'ecran, 640x480 a la place\n", show.width,
                     show.height);
    }
    openDisplay(640, 480, 0, fullScreen, 1);
}

}  // namespace

int runTimeline()
{
    return runTimeline(ShowOptions());
}

int runTimeline(const ShowOptions& options)
{
    show = options;
    Recorder record;
    if (show.recordPath) {
        if (!record.prepare(show.recordPath, show.untilMs)) return 1;
        recorder = &record;
    }

    FlareLayer layers[3];  // destroyed last first when the run ends
    verbose = 0;

    double loadStart = ShowStats::nowMs();
    HMUSIC music = 0;
    if (!recorder) startMusic(music);  // a recording renders the music itself
    stats.loaded("musique", ShowStats::nowMs() - loadStart);
    openShowDisplay();
    if (recorder && !recorder->start(screen->w, screen->h)) return 1;
    setFlareGlState();

    loadStart = ShowStats::nowMs();
    layers[0].load("Datas/Flares1-Light.jpg", "Datas/Flares-Fond.jpg", 0.0f, 0.2f, 0.0f);
    layers[1].load("Datas/Flares2-Light.jpg", nullptr, 0.0f, 0.0f, 0.0f);
    layers[2].load("Datas/Flares3-Light.jpg", nullptr, 0.0f, -0.25f, 0.0f);
    stats.loaded("flares", ShowStats::nowMs() - loadStart);
    playFlares(layers);

    playTunnel();
    playScene("Boule", "Datas/Boule.pof", 0, 200000.0f, true);
    playScene("Cana", "Datas/Cana.pof", 1, 95000.0f, false);
    playScene("Banniere", "Datas/Banniere.pof", 0, 150000.0f, false);

    if (!recorder) {
        BASS_Stop();
        BASS_MusicFree(music);
        BASS_Free();
    }
    closeDisplay();
    bool recorded = !recorder || recorder->finish();
    recorder = nullptr;
    if (show.stats) stats.print(stdout);
    return recorded ? 0 : 1;
}
