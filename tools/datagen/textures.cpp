// The scene pictures. The engine draws without lighting, so light and shade
// are painted in; pictures for "light" surfaces are glows on black (added to
// the frame), and keyed pictures (".png", "blackbg" surfaces) keep a pure
// black background that the alpha test cuts away.
#include <cmath>

#include "content.h"

namespace {

const float kTwoPi = 6.2831853f;

// Distance to the nearest grid line of `cells` cells over [0, 1), in cells.
float gridDistance(float t, int cells)
{
    float f = t * cells;
    f -= std::floor(f);
    return std::min(f, 1 - f);
}

// Steel plates, 8 around and 2 along, with bevels, rivets and a ring of light
// at each plate row; tileable both ways.
Picture tunnelWall()
{
    return paint(256, 256, [](float u, float v) {
        float grime = tileFbm(u * 8, v * 8, 8, 71, 5);
        float scratches = tileFbm(u * 64, v * 4, 64, 72, 3);
        Rgb steel = mix(Rgb{0.30f, 0.34f, 0.40f}, Rgb{0.50f, 0.52f, 0.56f}, grime);
        steel = steel * (0.85f + 0.3f * scratches);
        float pu = u * 8 - std::floor(u * 8), pv = v * 2 - std::floor(v * 2);
        // Bevel: light from the panel's top-left, shade to the bottom-right.
        float edge = 0.06f;
        if (pu < edge || pv < edge * 0.5f) steel = steel * 1.45f;
        if (pu > 1 - edge || pv > 1 - edge * 0.5f) steel = steel * 0.45f;
        // A rust stain runs down some panels.
        float rust = smoothstep(0.55f, 0.8f, tileFbm(u * 16, v * 3, 16, 73, 4)) * 0.6f;
        steel = mix(steel, Rgb{0.45f, 0.22f, 0.10f}, rust);
        // Rivets near the panel corners.
        for (float cu : {0.12f, 0.88f})
            for (float cv : {0.08f, 0.92f}) {
                float du = (pu - cu) * 8 * 2.0f, dv = (pv - cv) * 2 * 1.0f;
                float d = std::sqrt(du * du + dv * dv);
                if (d < 0.09f) steel = Rgb{0.75f, 0.75f, 0.78f} * (1.1f - d * 4);
            }
        // Amber hazard stripes on one column of plates.
        if (u > 0.375f && u < 0.5f && pv > 0.35f && pv < 0.65f) {
            float stripe = std::fmod((u * 8 + pv * 2) * 3, 1.0f);
            steel = stripe < 0.5f ? Rgb{0.85f, 0.55f, 0.05f} : Rgb{0.08f, 0.08f, 0.08f};
        }
        // The ring of light between plate rows, with its bloom on the plates.
        float ring = std::min(std::fabs(v - 0.0f), std::min(std::fabs(v - 1.0f), std::fabs(v - 0.5f)));
        float core = std::exp(-ring * ring / 0.00012f), bloom = std::exp(-ring * ring / 0.004f);
        Rgb cyan = {0.35f, 0.95f, 1.0f};
        return steel * (1 - core) + cyan * (core * 1.2f) + cyan * (bloom * 0.35f);
    });
}

// Amber chevrons and a dashed centre line on black: the runway glow.
Picture tunnelRunway()
{
    return paint(64, 256, [](float u, float v) {
        float x = std::fabs(u - 0.5f) * 2;  // 0 in the middle, 1 at the edges
        float chevron = std::fmod(v * 4 + x * 0.35f, 1.0f);
        float arrow = std::exp(-std::pow((chevron - 0.5f) / 0.08f, 2.0f)) * smoothstep(1.0f, 0.7f, x);
        float dash = (std::fmod(v * 8, 1.0f) < 0.5f ? 1.0f : 0.0f) * std::exp(-x * x / 0.004f);
        float sides = std::exp(-std::pow((x - 0.85f) / 0.05f, 2.0f)) * 0.5f;
        Rgb amber = {1.0f, 0.55f, 0.12f};
        return amber * (arrow * 0.9f + sides) + Rgb{1.0f, 0.95f, 0.8f} * dash;
    });
}

// Top view of the flyer: white hull, red wing tips, a dark canopy.
Picture flyerHull()
{
    return paint(256, 256, [](float u, float v) {
        float x = u - 0.5f, z = 0.5f - v;  // z runs from the tail (-) to the nose (+)
        float grime = fbm2(u * 12, v * 12, 81, 4);
        Rgb hull = Rgb{0.86f, 0.88f, 0.92f} * (0.8f + 0.25f * grime);
        if (std::fabs(x) > 0.32f) hull = Rgb{0.85f, 0.12f, 0.10f};
        if (std::fabs(std::fabs(x) - 0.22f) < 0.015f) hull = Rgb{0.15f, 0.25f, 0.7f};
        float canopy = (x * x) / 0.006f + (z - 0.22f) * (z - 0.22f) / 0.02f;
        if (canopy < 1) hull = mix(Rgb{0.05f, 0.12f, 0.25f}, Rgb{0.6f, 0.85f, 1.0f}, std::pow(1 - canopy, 3.0f) * 0.8f);
        if (gridDistance(u, 8) < 0.03f || gridDistance(v, 6) < 0.02f) hull = hull * 0.6f;
        return hull;
    });
}

// An engine flame: white core, blue then violet glow, black at the rim.
Picture flyerFlame()
{
    return paint(128, 128, [](float u, float v) {
        float dx = u - 0.5f, dy = v - 0.5f, r = std::sqrt(dx * dx + dy * dy) * 2;
        float core = std::exp(-r * r / 0.02f), glow = std::exp(-r * r / 0.2f) * smoothstep(1.0f, 0.6f, r);
        return Rgb{1, 1, 1} * core + Rgb{0.25f, 0.55f, 1.0f} * glow + Rgb{0.5f, 0.1f, 0.6f} * (glow * 0.4f);
    });
}

// The ball: warped bands of lapis, turquoise and gold, with a white spot.
Picture ballSkin()
{
    return paint(512, 256, [](float u, float v) {
        float warp = tileFbm(u * 6, v * 4, 6, 91, 5);
        float band = std::sin((v * 9 + warp * 2.2f) * 3.14159f);
        Rgb deep = {0.05f, 0.12f, 0.45f}, sea = {0.1f, 0.65f, 0.7f}, gold = {0.95f, 0.7f, 0.2f};
        Rgb c = band > 0 ? mix(deep, sea, band) : mix(deep, gold, -band * 0.9f);
        float fleck = smoothstep(0.62f, 0.7f, tileFbm(u * 24, v * 12, 24, 92, 3));
        c = mix(c, Rgb{0.95f, 0.92f, 0.8f}, fleck * 0.5f);
        // A big pale spot and a stripe of stars make the spin easy to follow.
        float du = std::fabs(u - 0.3f), dv = v - 0.55f;
        du = std::min(du, 1 - du) * 2;
        float spot = std::exp(-(du * du + dv * dv) / 0.004f);
        c = mix(c, Rgb{1.0f, 0.95f, 0.85f}, spot);
        if (std::fabs(v - 0.5f) < 0.012f) c = Rgb{1.0f, 0.85f, 0.3f};
        return c;
    });
}

// Marble floor tiles, cream and wine red, with grout lines.
Picture tiles()
{
    return paint(256, 256, [](float u, float v) {
        int cell = int(u * 4) + int(v * 4);
        float vein = std::fabs(std::sin((u * 3 + v * 2 + tileFbm(u * 4, v * 4, 4, 101, 5) * 3) * 6.283f));
        vein = std::pow(1 - vein, 8.0f);
        Rgb base = (cell & 1) ? Rgb{0.55f, 0.12f, 0.15f} : Rgb{0.88f, 0.84f, 0.74f};
        Rgb c = mix(base, Rgb{1, 1, 1}, vein * 0.4f) * (0.85f + 0.2f * tileFbm(u * 16, v * 16, 16, 102, 3));
        float grout = std::min(gridDistance(u, 4), gridDistance(v, 4));
        if (grout < 0.03f) c = Rgb{0.2f, 0.18f, 0.16f};
        else if (grout < 0.06f) c = c * 0.8f;
        return c;
    });
}

// A fluted stone column lit from one side; a dark capital and base.
Picture column()
{
    return paint(256, 256, [](float u, float v) {
        float light = 0.35f + 0.65f * std::max(0.0f, std::cos((u - 0.15f) * kTwoPi));
        float flute = 0.75f + 0.25f * std::fabs(std::cos(u * 16 * 3.14159f));
        Rgb stone = mix(Rgb{0.75f, 0.70f, 0.62f}, Rgb{0.95f, 0.92f, 0.85f}, tileFbm(u * 8, v * 8, 8, 111, 4));
        Rgb c = stone * (light * flute);
        if (v < 0.08f || v > 0.92f) c = Rgb{0.45f, 0.38f, 0.30f} * (light + 0.1f);
        return c;
    });
}

// Sunset sky: deep blue zenith, rose and gold at the horizon, dusk below.
Picture sky()
{
    return paint(512, 256, [](float u, float v) {
        float h = 1 - 2 * v;  // 1 up, 0 horizon, -1 down
        Rgb zenith = {0.05f, 0.08f, 0.30f}, rose = {0.85f, 0.40f, 0.45f}, gold = {1.0f, 0.75f, 0.35f};
        Rgb c = h > 0.25f ? mix(rose, zenith, smoothstep(0.25f, 0.9f, h)) : mix(gold, rose, smoothstep(0.0f, 0.25f, h));
        if (h < 0) c = mix(gold, Rgb{0.12f, 0.06f, 0.12f}, smoothstep(0.0f, 0.2f, -h));
        float cloud = smoothstep(0.5f, 0.75f, tileFbm(u * 8, v * 16, 8, 121, 5)) * smoothstep(0.05f, 0.2f, h) * smoothstep(0.8f, 0.3f, h);
        return mix(c, Rgb{1.0f, 0.8f, 0.75f}, cloud * 0.6f);
    });
}

// Rings of light for the band around the ball; black inside and outside.
Picture halo()
{
    return paint(256, 256, [](float u, float v) {
        float r = std::sqrt((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f)) * 2;  // 1 at the picture's edge
        float inside = smoothstep(0.58f, 0.64f, r) * smoothstep(1.0f, 0.94f, r);
        float bands = 0.55f + 0.45f * std::sin(r * 90);
        Rgb c = mix(Rgb{1.0f, 0.6f, 0.2f}, Rgb{0.4f, 0.7f, 1.0f}, smoothstep(0.6f, 1.0f, r));
        return c * (inside * bands * 0.8f);
    });
}

// Grey-blue stone blocks in courses, for the quays.
Picture stone()
{
    return paint(256, 256, [](float u, float v) {
        int course = int(v * 4);
        float shifted = u * 2 + (course & 1) * 0.5f;
        float joint = std::min(gridDistance(v, 4) * 4, gridDistance(shifted, 1) * 2);
        Rgb rock = mix(Rgb{0.32f, 0.34f, 0.40f}, Rgb{0.55f, 0.56f, 0.60f}, tileFbm(u * 8, v * 8, 8, 171, 5));
        rock = rock * (0.8f + 0.3f * lattice(int(shifted) + course * 7, course, 172));
        if (joint < 0.04f) rock = Rgb{0.1f, 0.1f, 0.12f};
        else if (joint < 0.1f) rock = rock * 1.2f;  // a lit chamfer
        return rock;
    });
}

// Night water: deep teal with moonlit ripples, tileable.
Picture water()
{
    return paint(256, 256, [](float u, float v) {
        float a = tileFbm(u * 6, v * 6, 6, 131, 5), b = tileFbm(u * 12 + 3, v * 12, 12, 132, 4);
        float ripple = std::pow(std::fabs(std::sin((a * 4 + b) * 6.283f)), 16.0f);
        return mix(Rgb{0.02f, 0.10f, 0.16f}, Rgb{0.05f, 0.25f, 0.32f}, a) + Rgb{0.6f, 0.75f, 0.8f} * (ripple * 0.6f);
    });
}

// A wooden crate face: framed planks, darker at the edges.
Picture crate()
{
    return paint(256, 256, [](float u, float v) {
        float grain = tileFbm(u * 2, v * 24, 2, 141, 5);
        float plank = gridDistance(v, 4);
        Rgb wood = mix(Rgb{0.45f, 0.27f, 0.12f}, Rgb{0.75f, 0.52f, 0.28f}, grain);
        if (plank < 0.04f) wood = wood * 0.4f;
        float border = std::min(std::min(u, 1 - u), std::min(v, 1 - v));
        float diagonal = std::fabs(u - v);
        if (border < 0.1f || diagonal < 0.07f) wood = mix(Rgb{0.35f, 0.2f, 0.08f}, Rgb{0.6f, 0.4f, 0.2f}, grain) * 1.1f;
        if (border < 0.015f) wood = wood * 0.3f;
        return wood * (0.7f + 0.3f * smoothstep(0.0f, 0.2f, border));
    });
}

// Reeds and bulrushes against pure black (keyed).
Picture reeds()
{
    Picture p(256, 256);
    for (int i = 0; i < 26; ++i) {
        float base = 8 + i * 9.4f + 5 * std::sin(i * 7.1f);
        float height = 120 + 110 * (0.5f + 0.5f * std::sin(i * 3.7f));
        float lean = 25 * std::sin(i * 1.9f);
        Rgb green = mix(Rgb{0.15f, 0.45f, 0.08f}, Rgb{0.6f, 0.7f, 0.2f}, 0.5f + 0.5f * std::sin(i * 2.3f));
        for (int y = 0; y < int(height); ++y) {
            float t = y / height;
            float x = base + lean * t * t;
            float width = 3.2f * (1 - t) + 0.6f;
            for (int dx = -4; dx <= 4; ++dx)
                if (std::fabs(dx) <= width) p.set(int(x) + dx, 255 - y, green * (0.6f + 0.4f * (1 - std::fabs(dx) / width)) * (0.5f + 0.5f * t));
            if (i % 3 == 0 && t > 0.72f && t < 0.88f)  // a brown bulrush head
                for (int dx = -4; dx <= 4; ++dx) p.set(int(x) + dx, 255 - y, Rgb{0.35f, 0.2f, 0.08f} * (1 - std::fabs(dx) / 6.0f));
        }
    }
    return p;
}

// A soft radial glow of the given colour, black at the picture's edge.
Picture radialGlow(int size, Rgb colour, float tightness)
{
    return paint(size, size, [=](float u, float v) {
        float r = std::sqrt((u - 0.5f) * (u - 0.5f) + (v - 0.5f) * (v - 0.5f)) * 2;
        float k = std::exp(-r * r * tightness) * smoothstep(1.0f, 0.8f, r);
        return colour * k + Rgb{1, 1, 1} * (std::exp(-r * r * tightness * 12) * 0.8f);
    });
}

// Flower petals: magenta to white with a fine vein pattern.
Picture petal()
{
    return paint(256, 256, [](float u, float v) {
        float dx = u - 0.5f, dy = v - 0.5f, r = std::sqrt(dx * dx + dy * dy) * 2;
        float a = std::atan2(dy, dx);
        float vein = std::pow(std::fabs(std::cos(a * 24)), 30.0f) * 0.3f;
        Rgb c = mix(Rgb{1.0f, 0.95f, 0.6f}, Rgb{0.9f, 0.15f, 0.55f}, smoothstep(0.05f, 0.5f, r));
        c = mix(c, Rgb{0.35f, 0.05f, 0.4f}, smoothstep(0.6f, 1.0f, r));
        return c * (1 - vein);
    });
}

// The closing banner: red cloth, a gold border and "FIN".
Picture banner()
{
    Picture p = paint(512, 256, [](float u, float v) {
        float weave = 0.9f + 0.1f * std::sin(u * 512 * 1.5f) * std::sin(v * 256 * 1.5f);
        Rgb cloth = mix(Rgb{0.45f, 0.02f, 0.06f}, Rgb{0.75f, 0.08f, 0.12f}, fbm2(u * 6, v * 3, 151, 4)) * weave;
        float border = std::min(std::min(u * 2, (1 - u) * 2), std::min(v, 1 - v));
        if (border < 0.06f && border > 0.035f) cloth = Rgb{0.95f, 0.75f, 0.25f};
        return cloth;
    });
    int scale = 14;
    drawText(p, "FIN", (512 - textWidth("FIN", scale)) / 2 + 4, 46 + 4, scale, Rgb{0.2f, 0.0f, 0.02f});
    drawText(p, "FIN", (512 - textWidth("FIN", scale)) / 2, 46, scale, Rgb{1.0f, 0.85f, 0.35f});
    drawText(p, "MERCI D'AVOIR REGARDE", (512 - textWidth("MERCI D'AVOIR REGARDE", 3)) / 2, 178, 3, Rgb{1.0f, 0.95f, 0.8f});
    return p;
}

// The credits scroll: lines of coloured capitals on pure black (keyed).
Picture credits()
{
    static const char* lines[] = {"LA MUSIQUE",      "COMPOSEE EN CODE", "",  "LES OBJETS",      "MODELES EN CODE", "",
                                  "LES IMAGES",      "PEINTES EN CODE",  "",  "LE MOTEUR 3D",    "ECRIT MAISON",    "",
                                  "TOUT EST CALCULE", "A LA CONSTRUCTION", "", "A BIENTOT!"};
    Picture p(512, 1024);
    int y = 40;
    for (size_t i = 0; i < sizeof lines / sizeof lines[0]; ++i, y += 58) {
        const char* line = lines[i];
        int scale = (i % 3 == 0) ? 5 : 4;
        float t = float(i) / 16;
        Rgb colour = (i % 3 == 0) ? mix(Rgb{1.0f, 0.8f, 0.3f}, Rgb{0.4f, 0.9f, 1.0f}, t) : Rgb{0.9f, 0.9f, 0.95f};
        drawText(p, line, (512 - textWidth(line, scale)) / 2, y, scale, colour);
    }
    return p;
}

// A night sky for the closing scene: stars and a faint violet nebula.
Picture stars()
{
    Picture p = paint(1024, 512, [](float u, float v) {
        float neb = std::pow(tileFbm(u * 6, v * 6, 6, 161, 6), 3.0f);
        return Rgb{0.01f, 0.01f, 0.04f} + Rgb{0.35f, 0.1f, 0.5f} * neb + Rgb{0.05f, 0.2f, 0.4f} * (neb * neb * 2);
    });
    unsigned seed = 0x51A25u;
    for (int i = 0; i < 2500; ++i) {
        seed = seed * 1664525u + 1013904223u;
        int x = int(seed >> 22) % 1024;
        seed = seed * 1664525u + 1013904223u;
        int y = int(seed >> 23) % 512;
        float b = 0.3f + 0.7f * float(i % 7) / 6;
        p.add(x, y, Rgb{b, b, b * 1.1f});
    }
    return p;
}

struct Job {
    const char* name;
    Picture (*make)();
};

Picture lanternGlow() { return radialGlow(128, Rgb{1.0f, 0.55f, 0.15f}, 2.5f); }
Picture bannerGlow() { return radialGlow(256, Rgb{1.0f, 0.45f, 0.2f}, 3); }

const Job jobs[] = {
    {tex::tunnelWall, tunnelWall}, {tex::tunnelRunway, tunnelRunway}, {tex::flyerHull, flyerHull}, {tex::flyerFlame, flyerFlame},
    {tex::ball, ballSkin},         {tex::tiles, tiles},               {tex::column, column},       {tex::sky, sky},
    {tex::halo, halo},             {tex::water, water},               {tex::crate, crate},         {tex::reeds, reeds},
    {tex::lantern, lanternGlow},   {tex::petal, petal},               {tex::banner, banner},       {tex::credits, credits},
    {tex::stars, stars},           {tex::stone, stone},           {tex::glow, bannerGlow},
};

}  // namespace

bool writeSceneTextures(const std::string& datasDir)
{
    for (const Job& job : jobs)
        if (!savePicture(datasPath(datasDir, job.name), job.make())) return false;
    return true;
}
