// The picture toolkit every generated picture is painted with: a float RGB
// canvas, value noise and its fractal sums, a little capitals font, and the
// JPEG or PNG file it is saved as. Everything is deterministic.
#pragma once
#include <string>
#include <vector>

struct Rgb {
    float r, g, b;
};
Rgb operator*(Rgb c, float k);
Rgb operator+(Rgb a, Rgb b);
Rgb mix(Rgb a, Rgb b, float t);

// Zero (black) when made; turned into bytes once at the end.
struct Picture {
    int w, h;
    std::vector<float> rgb;
    Picture(int width, int height);
    Rgb get(int x, int y) const;  // wraps around
    void set(int x, int y, Rgb c);
    void add(int x, int y, Rgb c);
    std::vector<unsigned char> bytes() const;
};

// A picture whose every pixel is f(u, v), taken at the pixel's centre in [0, 1).
template <typename Paint>
Picture paint(int w, int h, Paint f)
{
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.set(x, y, f((x + 0.5f) / w, (y + 0.5f) / h));
    return p;
}

float lattice(int x, int y, unsigned seed);                // hash of a lattice point in [0, 1]
float noise2(float x, float y, unsigned seed);              // value noise in [0, 1]
float fbm2(float x, float y, unsigned seed, int octaves);  // fractal sum in [0, 1]
// Tileable fractal noise over a period of `period` lattice cells.
float tileFbm(float x, float y, int period, unsigned seed, int octaves);
float clamp01(float v);
float ramp(float v, float from, float to);  // 0 at `from`, 1 at `to`, straight between
float smoothstep(float a, float b, float v);

// Text in the built-in 5x7 capitals, each dot `scale` pixels, left edge x, top y.
void drawText(Picture& p, const char* text, int x, int y, int scale, Rgb colour);
int textWidth(const char* text, int scale);

bool savePicture(const std::string& path, const Picture& p);  // .jpg or .png by extension, folders made
