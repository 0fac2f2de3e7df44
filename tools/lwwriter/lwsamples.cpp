// Ready-made LWO2 objects built with the writer.
#include <cmath>

#include "lwwriter.h"

static const float cubePoints[8 * 3] = {
    -0.5f, -0.5f, -0.5f, 0.5f, -0.5f, -0.5f, -0.5f, 0.5f, -0.5f, 0.5f, 0.5f, -0.5f,
    -0.5f, -0.5f, 0.5f,  0.5f, -0.5f, 0.5f,  -0.5f, 0.5f, 0.5f,  0.5f, 0.5f, 0.5f,
};
// Counter-clockwise seen from outside: +z, -z, +x, -x, +y, -y.
static const int cubeFaces[6 * 4] = {4, 5, 7, 6, 0, 2, 3, 1, 1, 3, 7, 5, 0, 4, 6, 2, 2, 6, 7, 3, 0, 1, 5, 4};

// A UV map named `name` from the cube points' x and y.
static void cubeUvMap(LwWriter& w, const char* name)
{
    size_t vmap = w.beginChunk("VMAP");
    w.id("TXUV");
    w.u2(2);
    w.s0(name);
    for (int p = 0; p < 8; ++p) {
        w.vx(uint32_t(p));
        w.f4(cubePoints[3 * p] + 0.5f);
        w.f4(cubePoints[3 * p + 1] + 0.5f);
    }
    w.endChunk(vmap);
}

std::vector<unsigned char> lwwCube(float smoothAngle, bool textured, int projection)
{
    LwWriter w;
    size_t form = w.beginForm("LWO2");
    lwwTags(w, {"Cube"});
    lwwLayer(w, 0, "cube");
    lwwPoints(w, cubePoints, 8);
    lwwPolygons(w, "FACE", std::vector<int>(6, 4), std::vector<int>(cubeFaces, cubeFaces + 24));
    lwwPolygonTags(w, "SURF", {0, 1, 2, 3, 4, 5}, {0, 0, 0, 0, 0, 0});
    if (textured && projection == 5) {
        // A UV map from x and y, overridden on the first face's first two corners.
        cubeUvMap(w, "cube");
        size_t vmad = w.beginChunk("VMAD");
        w.id("TXUV");
        w.u2(2);
        w.s0("cube");
        for (int k = 0; k < 2; ++k) {
            w.vx(uint32_t(cubeFaces[k]));
            w.vx(0);
            w.f4(0.25f + 0.5f * k);
            w.f4(0.75f);
        }
        w.endChunk(vmad);
    }
    if (textured) lwwStillClip(w, 1, "Images/cube.jpg");
    LwwSurface s;
    s.name = "Cube";
    s.smoothAngle = smoothAngle;
    s.textured = textured;
    s.image.projection = projection;
    s.image.axis = 2;
    if (projection == 5) s.image.vmap = "cube";
    lwwSurface(w, s);
    w.endForm(form);
    return w.bytes;
}

std::vector<unsigned char> lwwSampleObject()
{
    LwWriter w;
    size_t form = w.beginForm("LWO2");
    lwwTags(w, {"Red", "Blue", "Part1", "Group1"});
    lwwLayer(w, 1, "first", -1);
    lwwPoints(w, cubePoints, 8);
    lwwPolygons(w, "FACE", std::vector<int>(6, 4), std::vector<int>(cubeFaces, cubeFaces + 24));
    lwwPolygonTags(w, "SURF", {0, 1, 2, 3, 4, 5}, {0, 0, 0, 1, 1, 1});
    lwwPolygonTags(w, "PART", {0, 1}, {2, 2});
    lwwPolygonTags(w, "SMGP", {2, 3}, {3, 3});

    cubeUvMap(w, "uvmap");
    size_t vmad = w.beginChunk("VMAD");
    w.id("TXUV");
    w.u2(2);
    w.s0("uvmap");
    w.vx(5);
    w.vx(0);
    w.f4(1.0f);
    w.f4(0.0f);
    w.endChunk(vmad);

    lwwLayer(w, 2, "second", 1);
    static const float tri[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    lwwPoints(w, tri, 3);
    lwwPolygons(w, "FACE", {3}, {0, 1, 2});
    lwwPolygonTags(w, "SURF", {0}, {1});

    lwwStillClip(w, 1, "Images/red.jpg");
    size_t clip = w.beginChunk("CLIP");
    w.u4(2);
    w.sub("ISEQ", [&] { w.u1(3); w.u1(0); w.i2(0); w.i2(1); w.i2(10); w.s0("Images/seq"); w.s0(".png"); });
    w.sub("TIME", [&] { w.f4(0); w.f4(1); w.f4(25); });
    w.sub("IFLT", [&] { w.s0("Filter"); w.u2(0); w.u1(7); });
    w.endChunk(clip);

    lwwEnvelope(w, 1, "Position.X", {2, 20, 1, 10, 3, 30});

    LwwSurface red;
    red.name = "Red";
    red.color[0] = 1;
    red.color[1] = 0;
    red.color[2] = 0;
    red.smoothAngle = 1.2f;
    red.textured = true;
    red.image.projection = 1;
    red.image.axis = 1;
    lwwSurface(w, red);

    // Blue: a procedural, a gradient and a shader on top of the usual.
    size_t surf = w.beginChunk("SURF");
    w.s0("Blue");
    w.s0("");
    w.sub("COLR", [&] { w.f4(0); w.f4(0); w.f4(1); w.vx(0); });
    w.sub("LINE", [&] { w.u2(1); w.f4(2.0f); });
    w.sub("BLOK", [&] {
        w.sub("PROC", [&] { w.s0("\x80"); w.sub("CHAN", [&] { w.id("DIFF"); }); });
        w.sub("VALU", [&] { w.f4(0.25f); w.f4(0.5f); });
        w.sub("FUNC", [&] { w.s0("Turbulence"); w.u4(0x01020304); });
    });
    w.sub("BLOK", [&] {
        w.sub("GRAD", [&] { w.s0("\x81"); w.sub("CHAN", [&] { w.id("TRAN"); }); });
        w.sub("FKEY", [&] {
            for (int k = 0; k < 2; ++k)
                for (int i = 0; i < 5; ++i) w.f4(float(k + i));
        });
        w.sub("GRPT", [&] { w.u2(1); });
    });
    w.sub("BLOK", [&] {
        w.sub("SHDR", [&] { w.s0("\x80"); w.sub("ENAB", [&] { w.u2(1); }); });
        w.sub("FUNC", [&] { w.s0("Shader"); w.u2(42); });
    });
    w.endChunk(surf);

    w.endForm(form);
    return w.bytes;
}

std::vector<unsigned char> lwwTorusObject(int rings, int sides)
{
    const float big = 2.0f, small = 0.5f;
    LwWriter w;
    w.bytes.reserve(size_t(rings) * sides * 50 + 4096);
    size_t form = w.beginForm("LWO2");
    lwwTags(w, {"TorusA", "TorusB", "Sphere"});
    lwwStillClip(w, 1, "Images/torus.jpg");
    lwwEnvelope(w, 1, "Spin", {0, 0, 1, 6.28f});

    // Torus: point (r, s) = r * sides + s, quads wrap around both ways.
    lwwLayer(w, 1, "torus");
    std::vector<float> xyz;
    xyz.reserve(size_t(rings) * sides * 3);
    for (int r = 0; r < rings; ++r) {
        double a = 2 * M_PI * r / rings;
        for (int s = 0; s < sides; ++s) {
            double b = 2 * M_PI * s / sides;
            double d = big + small * std::cos(b);
            xyz.push_back(float(d * std::cos(a)));
            xyz.push_back(float(small * std::sin(b)));
            xyz.push_back(float(d * std::sin(a)));
        }
    }
    lwwPoints(w, xyz.data(), xyz.size() / 3);
    std::vector<int> counts(size_t(rings) * sides, 4), indices;
    indices.reserve(size_t(rings) * sides * 4);
    for (int r = 0; r < rings; ++r) {
        int r1 = (r + 1) % rings;
        for (int s = 0; s < sides; ++s) {
            int s1 = (s + 1) % sides;
            indices.push_back(r * sides + s);
            indices.push_back(r * sides + s1);
            indices.push_back(r1 * sides + s1);
            indices.push_back(r1 * sides + s);
        }
    }
    lwwPolygons(w, "FACE", counts, indices);
    std::vector<int> polygons(counts.size()), tags(counts.size());
    for (size_t i = 0; i < counts.size(); ++i) {
        polygons[i] = int(i);
        tags[i] = (i / size_t(sides)) % 2 == 0 ? 0 : 1;  // alternate rings
    }
    lwwPolygonTags(w, "SURF", polygons, tags);

    size_t vmap = w.beginChunk("VMAP");
    w.id("TXUV");
    w.u2(2);
    w.s0("TorusUV");
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < sides; ++s) {
            w.vx(uint32_t(r * sides + s));
            w.f4(float(s) / sides);
            w.f4(float(r) / rings);
        }
    w.endChunk(vmap);
    // On the seams the wrapped corners take u or v = 1 instead of 0.
    size_t vmad = w.beginChunk("VMAD");
    w.id("TXUV");
    w.u2(2);
    w.s0("TorusUV");
    for (int r = 0; r < rings; ++r) {
        int polygon = r * sides + sides - 1;
        for (int k = 1; k <= 2; ++k) {
            int point = indices[size_t(polygon) * 4 + size_t(k)];
            w.vx(uint32_t(point));
            w.vx(uint32_t(polygon));
            w.f4(1.0f);
            w.f4(float(point / sides) / rings);
        }
    }
    for (int s = 0; s < sides; ++s) {
        int polygon = (rings - 1) * sides + s;
        for (int k = 2; k <= 3; ++k) {
            int point = indices[size_t(polygon) * 4 + size_t(k)];
            w.vx(uint32_t(point));
            w.vx(uint32_t(polygon));
            w.f4(float(point % sides) / sides);
            w.f4(1.0f);
        }
    }
    w.endChunk(vmad);

    // A small UV sphere in a second layer.
    lwwLayer(w, 2, "sphere", 1);
    const int stacks = 16, slices = 32;
    std::vector<float> sp;
    for (int i = 0; i <= stacks; ++i) {
        double phi = M_PI * i / stacks;
        for (int j = 0; j < slices; ++j) {
            double theta = 2 * M_PI * j / slices;
            sp.push_back(float(0.3 * std::sin(phi) * std::cos(theta)));
            sp.push_back(float(0.3 * std::cos(phi)));
            sp.push_back(float(0.3 * std::sin(phi) * std::sin(theta)));
        }
    }
    lwwPoints(w, sp.data(), sp.size() / 3);
    std::vector<int> sc, si, sptag, stag;
    for (int i = 0; i < stacks; ++i)
        for (int j = 0; j < slices; ++j) {
            int j1 = (j + 1) % slices;
            sc.push_back(4);
            si.push_back(i * slices + j);
            si.push_back(i * slices + j1);
            si.push_back((i + 1) * slices + j1);
            si.push_back((i + 1) * slices + j);
            sptag.push_back(int(sptag.size()));
            stag.push_back(2);
        }
    lwwPolygons(w, "FACE", sc, si);
    lwwPolygonTags(w, "SURF", sptag, stag);

    const char* names[3] = {"TorusA", "TorusB", "Sphere"};
    for (int i = 0; i < 3; ++i) {
        LwwSurface s;
        s.name = names[i];
        s.color[0] = 0.2f + 0.3f * i;
        s.specular = 0.5f;
        s.glossiness = 0.6f;
        s.smoothAngle = 1.5f;
        s.textured = true;
        s.image.projection = i == 0 ? 5 : i == 1 ? 1 : 2;
        if (i == 0) s.image.vmap = "TorusUV";
        s.image.axis = 1;
        s.image.size[0] = s.image.size[2] = 5.0f;
        s.image.size[1] = 1.0f;
        s.image.center[1] = 0.1f;
        s.image.rotation[0] = 0.3f;
        s.image.wrapWidth = 2.0f;
        s.image.wrapHeight = 1.0f;
        lwwSurface(w, s);
    }
    w.endForm(form);
    return w.bytes;
}

std::vector<unsigned char> lwwLwobObject()
{
    LwWriter w;
    size_t form = w.beginForm("LWOB");
    lwwPoints(w, cubePoints, 8);
    size_t c = w.beginChunk("SRFS");
    w.s0("Body");
    w.s0("Lid");
    w.endChunk(c);
    c = w.beginChunk("POLS");
    for (int f = 0; f < 6; ++f) {
        w.u2(4);
        for (int k = 0; k < 4; ++k) w.u2(unsigned(cubeFaces[4 * f + k]));
        if (f == 0) {
            w.i2(-2);  // the lid, with one detail polygon after it
            w.u2(1);
            w.u2(3);
            w.u2(4);
            w.u2(5);
            w.u2(7);
            w.i2(2);
        } else {
            w.i2(1);
        }
    }
    w.endChunk(c);

    c = w.beginChunk("SURF");
    w.s0("Body");
    w.sub("COLR", [&] { w.u1(200); w.u1(100); w.u1(0); w.u1(0); });
    w.sub("FLAG", [&] { w.u2(0x0104); });
    w.sub("DIFF", [&] { w.i2(128); });
    w.sub("GLOS", [&] { w.u2(64); });
    w.sub("CTEX", [&] { w.s0("Planar Image Map"); });
    w.sub("TFLG", [&] { w.u2(4); });
    w.sub("TSIZ", [&] { w.f4(2); w.f4(2); w.f4(2); });
    w.sub("TIMG", [&] { w.s0("Images/body.jpg"); });
    w.sub("TVEL", [&] { w.f4(1); w.f4(0); w.f4(0); });
    w.sub("DTEX", [&] { w.s0("Fractal Noise"); });
    w.sub("TCLR", [&] { w.u1(255); w.u1(0); w.u1(51); w.u1(0); });
    w.sub("TVAL", [&] { w.i2(64); });
    w.sub("SHDR", [&] { w.s0("Shader"); });
    w.sub("SDAT", [&] { w.u4(0xDEADBEEF); });
    w.sub("RIMG", [&] { w.s0("Images/frame (sequence)"); });
    w.endChunk(c);

    c = w.beginChunk("SURF");
    w.s0("Lid");
    w.sub("CTEX", [&] { w.s0("Cylindrical Image Map"); });
    w.sub("TIMG", [&] { w.s0("Images/lid.jpg"); });
    w.sub("SMAN", [&] { w.f4(0.5f); });
    w.endChunk(c);
    w.endForm(form);
    return w.bytes;
}

std::vector<unsigned char> lwwVertexColorCube(const char* polygonType)
{
    LwWriter w;
    size_t form = w.beginForm("LWO2");
    lwwTags(w, {"Painted", "Lost", "Flat"});
    lwwLayer(w, 0, "cube");
    lwwPoints(w, cubePoints, 8);
    lwwPolygons(w, polygonType, std::vector<int>(6, 4), std::vector<int>(cubeFaces, cubeFaces + 24));
    lwwPolygonTags(w, "SURF", {0, 1, 2, 3, 4, 5}, {0, 0, 0, 0, 1, 2});
    size_t vmap = w.beginChunk("VMAP");
    w.id("RGB ");
    w.u2(3);
    w.s0("paint");
    for (int i = 0; i < 8; ++i) {
        w.vx(uint32_t(i));
        for (int k = 0; k < 3; ++k) w.f4(cubePoints[3 * i + k] + 0.5f);
    }
    w.endChunk(vmap);
    size_t vmad = w.beginChunk("VMAD");
    w.id("RGBA");
    w.u2(4);
    w.s0("paint");
    for (int polygon = 0; polygon < 2; ++polygon) {
        w.vx(uint32_t(cubeFaces[4 * polygon]));
        w.vx(uint32_t(polygon));
        for (int k = 0; k < 4; ++k) w.f4(k == polygon ? 1.0f : 0.5f);
    }
    w.endChunk(vmad);
    size_t flat = w.beginChunk("VMAP");
    w.id("RGB ");
    w.u2(2);
    w.s0("flat");
    w.vx(0);
    w.f4(0.25f);
    w.f4(0.75f);
    w.endChunk(flat);
    const char* maps[3] = {"paint", "nowhere", "flat"};
    const char* names[3] = {"Painted", "Lost", "Flat"};
    for (int i = 0; i < 3; ++i) {
        LwwSurface s;
        s.name = names[i];
        s.sidedness = i == 0 ? 3 : 1;
        s.vertexColors = maps[i];
        lwwSurface(w, s);
    }
    w.endForm(form);
    return w.bytes;
}
