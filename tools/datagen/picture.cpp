#include "picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "datagen.h"
#include "pngwrite.h"

Rgb operator*(Rgb c, float k) { return {c.r * k, c.g * k, c.b * k}; }
Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb mix(Rgb a, Rgb b, float t) { return a * (1 - t) + b * t; }

Picture::Picture(int width, int height) : w(width), h(height), rgb(size_t(width) * height * 3, 0.0f) {}

Rgb Picture::get(int x, int y) const
{
    x = ((x % w) + w) % w;
    y = ((y % h) + h) % h;
    const float* p = &rgb[(size_t(y) * w + x) * 3];
    return {p[0], p[1], p[2]};
}

void Picture::set(int x, int y, Rgb c)
{
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    float* p = &rgb[(size_t(y) * w + x) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

void Picture::add(int x, int y, Rgb c)
{
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    float* p = &rgb[(size_t(y) * w + x) * 3];
    p[0] += c.r;
    p[1] += c.g;
    p[2] += c.b;
}

std::vector<unsigned char> Picture::bytes() const
{
    std::vector<unsigned char> out(rgb.size());
    for (size_t i = 0; i < rgb.size(); ++i) out[i] = static_cast<unsigned char>(std::lround(clamp01(rgb[i]) * 255.0f));
    return out;
}

float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

float ramp(float v, float from, float to) { return clamp01((v - from) / (to - from)); }

float smoothstep(float a, float b, float v)
{
    float t = ramp(v, a, b);
    return t * t * (3 - 2 * t);
}

float lattice(int x, int y, unsigned seed)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return float(h & 0xFFFFFF) / 16777215.0f;
}

// Value noise whose lattice repeats every `period` cells (0: never).
static float periodicNoise(float x, float y, int period, unsigned seed)
{
    int ix = int(std::floor(x)), iy = int(std::floor(y));
    float fx = x - ix, fy = y - iy;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    auto cell = [&](int cx, int cy) {
        if (period > 0) {
            cx = ((cx % period) + period) % period;
            cy = ((cy % period) + period) % period;
        }
        return lattice(cx, cy, seed);
    };
    float a = cell(ix, iy), b = cell(ix + 1, iy), c = cell(ix, iy + 1), d = cell(ix + 1, iy + 1);
    return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

float noise2(float x, float y, unsigned seed) { return periodicNoise(x, y, 0, seed); }

float fbm2(float x, float y, unsigned seed, int octaves)
{
    float sum = 0, amplitude = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * noise2(x, y, seed + unsigned(i) * 101u);
        total += amplitude;
        x = x * 2.03f + 17.1f;
        y = y * 2.03f + 5.7f;
        amplitude *= 0.5f;
    }
    return sum / total;
}

float tileFbm(float x, float y, int period, unsigned seed, int octaves)
{
    float sum = 0, amplitude = 0.5f, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * periodicNoise(x, y, period, seed + unsigned(i) * 101u);
        total += amplitude;
        x *= 2;
        y *= 2;
        period *= 2;
        amplitude *= 0.5f;
    }
    return sum / total;
}

// ---- 5x7 capitals ----------------------------------------------------------------------

struct Glyph {
    char c;
    const char* rows[7];
};

static const Glyph glyphs[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"}},
    {'J', {"..###", "...#.", "...#.", "...#.", "#..#.", "#..#.", ".##.."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {".###.", "#....", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "....#", ".###."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
    {',', {".....", ".....", ".....", ".....", ".##..", "..#..", ".#..."}},
    {'!', {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."}},
    {'\'', {"..#..", "..#..", ".#...", ".....", ".....", ".....", "....."}},
    {'-', {".....", ".....", ".....", ".###.", ".....", ".....", "....."}},
    {'+', {".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."}},
    {':', {".....", ".##..", ".##..", ".....", ".##..", ".##..", "....."}},
    {'/', {"....#", "...#.", "...#.", "..#..", ".#...", ".#...", "#...."}},
};

static const Glyph* findGlyph(char c)
{
    for (const Glyph& g : glyphs)
        if (g.c == c) return &g;
    return nullptr;
}

int textWidth(const char* text, int scale) { return int(std::strlen(text)) * 6 * scale - scale; }

void drawText(Picture& p, const char* text, int x, int y, int scale, Rgb colour)
{
    for (; *text; ++text, x += 6 * scale) {
        const Glyph* g = findGlyph(*text);
        if (!g) continue;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col) {
                if (g->rows[row][col] != '#') continue;
                // Each dot is a slightly rounded square so large text is not blocky.
                for (int dy = 0; dy < scale; ++dy)
                    for (int dx = 0; dx < scale; ++dx) {
                        float ex = (dx + 0.5f) / scale - 0.5f, ey = (dy + 0.5f) / scale - 0.5f;
                        if (ex * ex + ey * ey > 0.36f) continue;
                        p.set(x + col * scale + dx, y + row * scale + dy, colour);
                    }
            }
    }
}

bool savePicture(const std::string& path, const Picture& p)
{
    std::vector<unsigned char> bytes = p.bytes();
    std::filesystem::path file(path);
    if (file.extension() != ".png") return writeJpeg(path, bytes.data(), p.w, p.h, 92);
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    return writePng(path.c_str(), bytes.data(), p.w, p.h);
}
