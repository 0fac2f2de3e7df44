// Ready-made SubPatch objects: PTCH control polygons, for the subdivision's
// tests, benchmark and fuzzing seeds.
#include "lwwriter.h"

std::vector<unsigned char> lwwSubPatchObject(const LwwSurface& surface, const std::vector<float>& points,
                                             const std::vector<std::vector<int>>& patches,
                                             const std::vector<std::vector<int>>& faces, const char* clipFile)
{
    LwWriter w;
    size_t form = w.beginForm("LWO2");
    lwwTags(w, {surface.name});
    lwwLayer(w, 0, "subpatches");
    lwwPoints(w, points.data(), points.size() / 3);
    for (const auto* list : {&patches, &faces}) {
        if (list->empty()) continue;
        std::vector<int> counts, indices, numbers;  // tags number the polygons of their own POLS
        for (const std::vector<int>& p : *list) {
            counts.push_back(int(p.size()));
            indices.insert(indices.end(), p.begin(), p.end());
            numbers.push_back(int(numbers.size()));
        }
        lwwPolygons(w, list == &patches ? "PTCH" : "FACE", counts, indices);
        lwwPolygonTags(w, "SURF", numbers, std::vector<int>(numbers.size(), 0));
    }
    if (clipFile) lwwStillClip(w, surface.image.clip, clipFile);
    lwwSurface(w, surface);
    w.endForm(form);
    return w.bytes;
}

std::vector<unsigned char> lwwSubPatchCube(const char* clipFile)
{
    LwwSurface s;
    s.name = "Cube";
    s.smoothAngle = 1.6f;
    s.textured = clipFile != nullptr;
    s.image.axis = 2;
    std::vector<float> points;
    for (int i = 0; i < 8; ++i)
        for (int k = 0; k < 3; ++k) points.push_back((i >> k & 1) ? 0.5f : -0.5f);
    // Counter-clockwise seen from outside: +z, -z, +x, -x, +y, -y.
    return lwwSubPatchObject(s, points,
                             {{4, 5, 7, 6}, {0, 2, 3, 1}, {1, 3, 7, 5}, {0, 4, 6, 2}, {2, 6, 7, 3}, {0, 1, 5, 4}}, {},
                             clipFile);
}

std::vector<unsigned char> lwwSubPatchGrid(int n)
{
    LwwSurface s;
    s.name = "Grid";
    s.smoothAngle = 1.6f;
    std::vector<float> points;
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x) points.insert(points.end(), {float(x) / n, float(y) / n, 0.0f});
    std::vector<std::vector<int>> quads;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            int a = y * (n + 1) + x;
            quads.push_back({a, a + n + 1, a + n + 2, a + 1});
        }
    return lwwSubPatchObject(s, points, quads, {{0, 1, n + 1}}, nullptr);
}
