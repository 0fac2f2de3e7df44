// Real pixels of lit and unlit drawing: shading towards the rim, surface and
// vertex colours, two-sided surfaces, lit textures.
#include "support.h"

#include <GL/gl.h>

#include <sstream>

namespace {

// A 2 x 2 square at z = 0 facing -z (the camera), its points painted blue by the map "paint".
const LwwLayer square = {"", {-1, -1, 0, -1, 1, 0, 1, 1, 0, 1, -1, 0}, {{0, 1, 2, 3}}, {0}};
const std::vector<float> blue = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};

using Shading = SceneFilesTest;

TEST_F(Shading, LitAndUnlitPixels)
{
    ASSERT_TRUE(writeSolidBmp(path("red.bmp"), {255, 0, 0}));
    for (const auto& c : readCases(SCENEFILES_CASES "/shading.txt", 9)) {
        SCOPED_TRACE(c[0]);
        renew();
        std::istringstream in(c[2] + " " + c[3] + " " + c[5] + " " + c[6] + " " + c[7] + " " + c[8]);
        LwwSurface s = fixtureSurface("Shade");
        int textured, lit, heading, dx, low[3], high[3];
        in >> s.color[0] >> s.color[1] >> s.color[2] >> s.sidedness >> textured >> lit >> heading >> dx;
        for (int k = 0; k < 6; ++k) in >> (k < 3 ? low[k] : high[k - 3]);
        ASSERT_TRUE(in) << "a malformed row";
        s.textured = textured, s.image.clip = textured;
        s.diffuse = 1.0f;
        s.specular = 0.0f;
        s.smoothAngle = 1.5f;
        std::istringstream vcol(c[4]);  // the map's name, then its intensity when not 1
        vcol >> s.vertexColors >> s.vertexColorIntensity;
        if (s.vertexColors == "-") s.vertexColors.clear();
        s.image.size[0] = s.image.size[1] = s.image.size[2] = 4.0f;
        std::vector<unsigned char> bytes = lwwObject({s}, {c[1] == "sphere" ? sphereLayer(12, 24) : square}, {{1, path("red.bmp")}});
        if (c[1] == "plane") bytes = lwwWithColorMap(bytes, "paint", blue);
        std::string file = write("shape.lwo", std::string(bytes.begin(), bytes.end()));
        std::string out = reports([&] { EXPECT_TRUE(scene->importLightWaveObject(file.c_str())); });
        if (c.size() > 9) {
            EXPECT_NE(out.find(c[9]), std::string::npos) << out;
        }
        scene->setObjectTransform(scene->objects[1], 0, 0, 5, float(heading), 0, 0);
        scene->setLighting(lit);
        scene->reinitialise();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene->render();
        unsigned char rgb[3];
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(320 + dx, 240, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(rgb[k], low[k]) << "channel " << k;
            EXPECT_LE(rgb[k], high[k]) << "channel " << k;
        }
    }
}

}  // namespace
