// The pictures of the flare opening: a deep-space background and three
// glowing sprites on black (drawn additively, so black is transparent).
// Everything is computed from fixed seeds: the same files on every build.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "datagen.h"
#include "picture.h"

namespace {

// xorshift32: small, fast and the same everywhere.
struct Random {
    uint32_t state;
    explicit Random(uint32_t seed) : state(seed ? seed : 1u) {}
    uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    float unit() { return static_cast<float>(next() >> 8) / 16777216.0f; }  // [0, 1)
};

// A soft round dab of light, for stars and glows.
void splat(Picture& canvas, float cx, float cy, float radius, Rgb c)
{
    int reach = static_cast<int>(std::ceil(radius * 3.0f));
    for (int y = static_cast<int>(cy) - reach; y <= static_cast<int>(cy) + reach; ++y)
        for (int x = static_cast<int>(cx) - reach; x <= static_cast<int>(cx) + reach; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float k = std::exp(-(dx * dx + dy * dy) / (radius * radius));
            if (k > 0.002f) canvas.add(x, y, c * k);
        }
}

// Thin horizontal and vertical spikes of a bright star.
void spikes(Picture& canvas, float cx, float cy, float length, Rgb c)
{
    int reach = static_cast<int>(length);
    for (int d = -reach; d <= reach; ++d) {
        float k = std::pow(1.0f - std::fabs(static_cast<float>(d)) / length, 3.0f);
        canvas.add(static_cast<int>(cx) + d, static_cast<int>(cy), c * k);
        canvas.add(static_cast<int>(cx), static_cast<int>(cy) + d, c * k);
    }
}

Picture makeBackground(int size)
{
    Picture canvas = paint(size, size, [](float u, float v) {
        // Deep indigo above to dark blue below.
        Rgb c = {0.015f + 0.02f * (1.0f - v), 0.01f + 0.015f * v, 0.05f + 0.04f * v};

        // A bright band across the picture, its clouds warped by noise.
        float wx = fbm2(u * 3.0f, v * 3.0f, 11u, 6), wy = fbm2(u * 3.0f + 5.2f, v * 3.0f + 1.3f, 12u, 6);
        float band = u * 0.8f + v - 0.95f + (wx - 0.5f) * 0.35f;
        float inBand = std::exp(-band * band / 0.06f);
        float gas = fbm2(u * 3.5f + 1.6f * wx, v * 3.5f + 1.6f * wy, 21u, 6);
        float gas2 = fbm2(u * 6.0f + 2.0f * wy, v * 6.0f + 2.0f * wx, 31u, 6);
        float dust = ramp(fbm2(u * 8.0f + wx, v * 8.0f + wy, 41u, 6), 0.5f, 0.75f);

        float pink = std::pow(ramp(gas, 0.35f, 0.85f), 1.6f) * (0.35f + 0.9f * inBand);
        float teal = std::pow(ramp(gas2, 0.4f, 0.9f), 1.8f) * (0.25f + 0.8f * inBand);
        float glow = std::pow(inBand, 3.0f) * ramp(gas, 0.3f, 0.8f);
        c.r += 0.55f * pink + 0.05f * teal + 0.55f * glow;
        c.g += 0.10f * pink + 0.30f * teal + 0.45f * glow;
        c.b += 0.45f * pink + 0.50f * teal + 0.50f * glow;
        float shade = 1.0f - 0.7f * dust * inBand;
        return c * shade;
    });

    // Stars: many faint, few bright, thicker within the band.
    Random random(0x5EEDF1A5u);
    const Rgb tints[] = {{1.0f, 1.0f, 1.0f}, {0.75f, 0.85f, 1.0f}, {1.0f, 0.9f, 0.7f}, {1.0f, 0.75f, 0.7f}};
    for (int i = 0; i < size * 5; ++i) {
        float sx = random.unit() * size, sy = random.unit() * size;
        float u = sx / size, v = sy / size;
        float band = u * 0.8f + v - 0.95f;
        bool keep = random.unit() < 0.35f + 0.65f * std::exp(-band * band / 0.05f);
        float brightness = std::pow(random.unit(), 6.0f);
        Rgb tint = tints[random.next() % 4];
        if (!keep) continue;
        splat(canvas, sx, sy, 0.55f + 0.6f * brightness, tint * (0.25f + 1.2f * brightness));
    }
    for (int i = 0; i < 9; ++i) {
        float sx = random.unit() * size, sy = random.unit() * size;
        Rgb tint = tints[random.next() % 4];
        splat(canvas, sx, sy, 1.2f, tint * 1.4f);
        splat(canvas, sx, sy, 5.0f, tint * 0.18f);
        spikes(canvas, sx, sy, 10.0f + random.unit() * 14.0f, tint * 0.55f);
    }
    return canvas;
}

// Sprites: distance r from the centre, 1 at the edge; every shape fades to
// pure black before the edge so the quad's outline never shows.
template <typename Shape>
Picture makeSprite(int size, Shape shape)
{
    return paint(size, size, [shape](float u, float v) {
        float dx = u * 2.0f - 1.0f, dy = v * 2.0f - 1.0f;
        float r = std::sqrt(dx * dx + dy * dy);
        float edge = ramp(1.0f - r, 0.0f, 0.3f);
        return shape(dx, dy, r) * (edge * edge);
    });
}

// A warm sun: white core inside a golden halo.
Rgb warmGlow(float, float, float r)
{
    float core = std::exp(-(r * r) / 0.012f);
    float halo = std::exp(-(r * r) / 0.12f);
    float haze = 0.12f / (1.0f + r * r * 40.0f);
    return Rgb{1.0f, 1.0f, 0.95f} * core + Rgb{1.0f, 0.62f, 0.22f} * (0.75f * halo + haze);
}

// A blue star: four long rays, four short ones, a small hot centre.
Rgb blueStar(float dx, float dy, float r)
{
    auto ray = [](float along, float across, float width) {
        return std::exp(-std::fabs(across) / width) * std::pow(std::max(0.0f, 1.0f - std::fabs(along)), 2.5f);
    };
    float du = (dx + dy) * 0.70710678f, dv = (dx - dy) * 0.70710678f;
    float rays = ray(dx, dy, 0.018f) + ray(dy, dx, 0.018f) + 0.45f * (ray(du * 1.6f, dv, 0.012f) + ray(dv * 1.6f, du, 0.012f));
    float core = std::exp(-(r * r) / 0.006f);
    float halo = std::exp(-(r * r) / 0.06f);
    return Rgb{0.95f, 0.98f, 1.0f} * core + Rgb{0.25f, 0.55f, 1.0f} * (0.8f * halo) +
           Rgb{0.55f, 0.8f, 1.0f} * (0.9f * rays);
}

// A halo ring with a rainbow rim around a pink core.
Rgb pinkRing(float, float, float r)
{
    float ring = std::exp(-((r - 0.58f) * (r - 0.58f)) / 0.006f);
    float rim = std::exp(-((r - 0.66f) * (r - 0.66f)) / 0.002f);
    float core = std::exp(-(r * r) / 0.02f);
    float fill = 0.18f * ramp(0.6f - r, 0.0f, 0.6f);
    return Rgb{1.0f, 0.55f, 0.9f} * core + Rgb{0.85f, 0.25f, 0.75f} * (0.85f * ring + fill) +
           Rgb{0.2f, 0.9f, 0.6f} * (0.35f * rim);
}

}  // namespace

bool writeFlarePictures(const std::string& datasDir)
{
    bool ok = savePicture(datasDir + "/Flares-Fond.jpg", makeBackground(512));
    ok = savePicture(datasDir + "/Flares1-Light.jpg", makeSprite(128, warmGlow)) && ok;
    ok = savePicture(datasDir + "/Flares2-Light.jpg", makeSprite(128, blueStar)) && ok;
    ok = savePicture(datasDir + "/Flares3-Light.jpg", makeSprite(128, pinkRing)) && ok;
    return ok;
}
