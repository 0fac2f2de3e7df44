// The pictures of the flare opening: a deep-space background and three
// glowing sprites on black (drawn additively, so black is transparent).
// Everything is computed from fixed seeds: the same files on every build.
#include "datagen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

struct Color {
    float r, g, b;
};

Color operator*(Color c, float k) { return {c.r * k, c.g * k, c.b * k}; }
Color operator+(Color a, Color b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

// A float RGB canvas, turned into bytes once at the end.
struct Canvas {
    int w, h;
    std::vector<float> rgb;

    Canvas(int width, int height) : w(width), h(height), rgb(static_cast<size_t>(width) * height * 3, 0.0f) {}

    void add(int x, int y, Color c)
    {
        if (x < 0 || y < 0 || x >= w || y >= h) return;
        float* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        p[0] += c.r;
        p[1] += c.g;
        p[2] += c.b;
    }

    std::vector<unsigned char> bytes() const
    {
        std::vector<unsigned char> out(rgb.size());
        for (size_t i = 0; i < rgb.size(); ++i)
            out[i] = static_cast<unsigned char>(std::lround(std::clamp(rgb[i], 0.0f, 1.0f) * 255.0f));
        return out;
    }
};

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

float hashLattice(int x, int y, uint32_t seed)
{
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFFF) / 16777215.0f;
}

float smooth(float t) { return t * t * (3.0f - 2.0f * t); }

float valueNoise(float x, float y, uint32_t seed)
{
    int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    float fx = smooth(x - ix), fy = smooth(y - iy);
    float a = hashLattice(ix, iy, seed), b = hashLattice(ix + 1, iy, seed);
    float c = hashLattice(ix, iy + 1, seed), d = hashLattice(ix + 1, iy + 1, seed);
    return (a + (b - a) * fx) * (1.0f - fy) + (c + (d - c) * fx) * fy;
}

// Fractal sum of octaves, in [0, 1].
float fbm(float x, float y, uint32_t seed, int octaves = 6)
{
    float sum = 0.0f, amplitude = 0.5f, total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise(x, y, seed + static_cast<uint32_t>(i) * 101u);
        total += amplitude;
        x = x * 2.03f + 17.1f;
        y = y * 2.03f + 5.7f;
        amplitude *= 0.5f;
    }
    return sum / total;
}

float ramp(float v, float from, float to) { return std::clamp((v - from) / (to - from), 0.0f, 1.0f); }

// A soft round dab of light, for stars and glows.
void splat(Canvas& canvas, float cx, float cy, float radius, Color c)
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
void spikes(Canvas& canvas, float cx, float cy, float length, Color c)
{
    int reach = static_cast<int>(length);
    for (int d = -reach; d <= reach; ++d) {
        float k = std::pow(1.0f - std::fabs(static_cast<float>(d)) / length, 3.0f);
        canvas.add(static_cast<int>(cx) + d, static_cast<int>(cy), c * k);
        canvas.add(static_cast<int>(cx), static_cast<int>(cy) + d, c * k);
    }
}

Canvas makeBackground(int size)
{
    Canvas canvas(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
            // Deep indigo above to dark blue below.
            Color c = {0.015f + 0.02f * (1.0f - v), 0.01f + 0.015f * v, 0.05f + 0.04f * v};

            // A bright band across the picture, its clouds warped by noise.
            float wx = fbm(u * 3.0f, v * 3.0f, 11u), wy = fbm(u * 3.0f + 5.2f, v * 3.0f + 1.3f, 12u);
            float band = u * 0.8f + v - 0.95f + (wx - 0.5f) * 0.35f;
            float inBand = std::exp(-band * band / 0.06f);
            float gas = fbm(u * 3.5f + 1.6f * wx, v * 3.5f + 1.6f * wy, 21u);
            float gas2 = fbm(u * 6.0f + 2.0f * wy, v * 6.0f + 2.0f * wx, 31u);
            float dust = ramp(fbm(u * 8.0f + wx, v * 8.0f + wy, 41u), 0.5f, 0.75f);

            float pink = std::pow(ramp(gas, 0.35f, 0.85f), 1.6f) * (0.35f + 0.9f * inBand);
            float teal = std::pow(ramp(gas2, 0.4f, 0.9f), 1.8f) * (0.25f + 0.8f * inBand);
            float glow = std::pow(inBand, 3.0f) * ramp(gas, 0.3f, 0.8f);
            c.r += 0.55f * pink + 0.05f * teal + 0.55f * glow;
            c.g += 0.10f * pink + 0.30f * teal + 0.45f * glow;
            c.b += 0.45f * pink + 0.50f * teal + 0.50f * glow;
            float shade = 1.0f - 0.7f * dust * inBand;
            c = c * shade;
            canvas.add(x, y, c);
        }

    // Stars: many faint, few bright, thicker within the band.
    Random random(0x5EEDF1A5u);
    const Color tints[] = {{1.0f, 1.0f, 1.0f}, {0.75f, 0.85f, 1.0f}, {1.0f, 0.9f, 0.7f}, {1.0f, 0.75f, 0.7f}};
    for (int i = 0; i < size * 5; ++i) {
        float sx = random.unit() * size, sy = random.unit() * size;
        float u = sx / size, v = sy / size;
        float band = u * 0.8f + v - 0.95f;
        bool keep = random.unit() < 0.35f + 0.65f * std::exp(-band * band / 0.05f);
        float brightness = std::pow(random.unit(), 6.0f);
        Color tint = tints[random.next() % 4];
        if (!keep) continue;
        splat(canvas, sx, sy, 0.55f + 0.6f * brightness, tint * (0.25f + 1.2f * brightness));
    }
    for (int i = 0; i < 9; ++i) {
        float sx = random.unit() * size, sy = random.unit() * size;
        Color tint = tints[random.next() % 4];
        splat(canvas, sx, sy, 1.2f, tint * 1.4f);
        splat(canvas, sx, sy, 5.0f, tint * 0.18f);
        spikes(canvas, sx, sy, 10.0f + random.unit() * 14.0f, tint * 0.55f);
    }
    return canvas;
}

// Sprites: distance r from the centre, 1 at the edge; every shape fades to
// pure black before the edge so the quad's outline never shows.
template <typename Shape>
Canvas makeSprite(int size, Shape shape)
{
    Canvas canvas(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float dx = (x + 0.5f) / size * 2.0f - 1.0f, dy = (y + 0.5f) / size * 2.0f - 1.0f;
            float r = std::sqrt(dx * dx + dy * dy);
            float edge = ramp(1.0f - r, 0.0f, 0.3f);
            canvas.add(x, y, shape(dx, dy, r) * (edge * edge));
        }
    return canvas;
}

// A warm sun: white core inside a golden halo.
Color warmGlow(float, float, float r)
{
    float core = std::exp(-(r * r) / 0.012f);
    float halo = std::exp(-(r * r) / 0.12f);
    float haze = 0.12f / (1.0f + r * r * 40.0f);
    return Color{1.0f, 1.0f, 0.95f} * core + Color{1.0f, 0.62f, 0.22f} * (0.75f * halo + haze);
}

// A blue star: four long rays, four short ones, a small hot centre.
Color blueStar(float dx, float dy, float r)
{
    auto ray = [](float along, float across, float width) {
        return std::exp(-std::fabs(across) / width) * std::pow(std::max(0.0f, 1.0f - std::fabs(along)), 2.5f);
    };
    float du = (dx + dy) * 0.70710678f, dv = (dx - dy) * 0.70710678f;
    float rays = ray(dx, dy, 0.018f) + ray(dy, dx, 0.018f) + 0.45f * (ray(du * 1.6f, dv, 0.012f) + ray(dv * 1.6f, du, 0.012f));
    float core = std::exp(-(r * r) / 0.006f);
    float halo = std::exp(-(r * r) / 0.06f);
    return Color{0.95f, 0.98f, 1.0f} * core + Color{0.25f, 0.55f, 1.0f} * (0.8f * halo) +
           Color{0.55f, 0.8f, 1.0f} * (0.9f * rays);
}

// A halo ring with a rainbow rim around a pink core.
Color pinkRing(float, float, float r)
{
    float ring = std::exp(-((r - 0.58f) * (r - 0.58f)) / 0.006f);
    float rim = std::exp(-((r - 0.66f) * (r - 0.66f)) / 0.002f);
    float core = std::exp(-(r * r) / 0.02f);
    float fill = 0.18f * ramp(0.6f - r, 0.0f, 0.6f);
    return Color{1.0f, 0.55f, 0.9f} * core + Color{0.85f, 0.25f, 0.75f} * (0.85f * ring + fill) +
           Color{0.2f, 0.9f, 0.6f} * (0.35f * rim);
}

bool writeCanvas(const std::string& path, const Canvas& canvas)
{
    std::vector<unsigned char> bytes = canvas.bytes();
    return writeJpeg(path, bytes.data(), canvas.w, canvas.h, 92);
}

}  // namespace

bool writeFlarePictures(const std::string& datasDir)
{
    bool ok = writeCanvas(datasDir + "/Flares-Fond.jpg", makeBackground(512));
    ok = writeCanvas(datasDir + "/Flares1-Light.jpg", makeSprite(128, warmGlow)) && ok;
    ok = writeCanvas(datasDir + "/Flares2-Light.jpg", makeSprite(128, blueStar)) && ok;
    ok = writeCanvas(datasDir + "/Flares3-Light.jpg", makeSprite(128, pinkRing)) && ok;
    return ok;
}
