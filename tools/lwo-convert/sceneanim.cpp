// The scene's motion as one glTF animation: glTF time 0 is "FirstFrame", the
// last key "LastFrame". For each item, translation, rotation and scale are
// written only when they move within that range.
//
// The range is cut at every key time of the three channels (x, y, z or
// heading, pitch, bank), the behaviours' repeats included, so each piece lies
// within one span of each channel:
// - translation and scale: TCB, Hermite, 1-D Bezier, linear and stepped spans
//   are cubics in time, and so is every repeat of them, a mirror, an offset
//   or a straight continuation: a cubic through four values of a piece (taken
//   just inside its ends, so that a step at an end belongs to its own side)
//   is that piece exactly, written as CUBICSPLINE keys. Pieces that are all
//   constant are written STEP, all straight LINEAR;
// - rotation: the three angles make a quaternion that no glTF interpolation
//   follows exactly; pieces are cut in halves until glTF's value is within
//   the bound, once as cubics of the quaternion's components (CUBICSPLINE,
//   which glTF normalises), once as slerp between their ends (LINEAR, exact
//   for a steady turn about one axis); the one of fewer keys is written.
// A piece is accepted when the glTF value at 11 points evenly inside it is
// within the bound of LightWave's (in position 1e-4 of the scene's size, the
// largest distance from 0 any position key holds; 1e-4 in scale; 0.01 degree
// in rotation); otherwise it is halved. Exact pieces pass
// at once; a 2-D Bezier piece (not a cubic in time) and rotations are cut
// until they pass. The points test between the keys: with a smooth curve,
// the error between 11 points of a piece that already fits within the
// bound is smaller than that bound by far (it shrinks as the fourth power
// of the piece's length for cubics, the square for slerp), so the bound holds
// between them too in practice; it is not a proof. A step (a stepped span,
// reset) is kept by a key one float before it holding the value before.
// glTF times are floats: pieces are cut and evaluated at exact times, their
// keys written at the float at or before them.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "convertparts.h"
#include "sceneparts.h"

namespace {

// A channel may add this many keys beyond its cuts, or 16 a frame of the
// sampling rate if more, to meet the bound; a motion needing more (a turn of
// a million radians in a second) is followed at each frame instead, with a
// warning: finer keys would show nothing a frame can.
const double spareKeys = 4096, spareKeysPerFrame = 16;
const double rotationBound = 0.01 * lwRadiansPerDegree;

// glTF's key time of a time: the float at or before it, so that from a key's
// own time on, glTF shows what LightWave shows from that time on.
float floatDown(double t)
{
    float f = float(t);
    return double(f) > t ? std::nextafter(f, -HUGE_VALF) : f;
}

struct Piece {
    double a, b;  // glTF times, kept exact while sampling (keys are written as floats)
    double v0[4], d0[4], v1[4], d1[4];  // values and slopes (per second) at both ends
};

class Sampler {
public:
    // `slerp`: rotations as LINEAR keys (else CUBICSPLINE).
    // `cap`: pieces are no longer halved once there are this many.
    Sampler(LwSceneItem* item, int first, double start, double bound, bool slerp, size_t cap)
        : item(item), first(first), start(start), bound(bound), slerping(slerp), cap(cap)
    {
    }

    // The glTF value at glTF time `u`: 3 components, or a quaternion. Only
    // the three channels asked for are evaluated.
    void value(double u, double* v) const
    {
        double own[9] = {0, 0, 0, 0, 0, 0, 1, 1, 1};
        for (int c = first; c < first + 3; ++c) {
            LwChannelEnvelope* e = &item->channels[c];
            if (e->count > 0) own[c] = lwEnvelopeValue(e, start + u) * (c >= 3 && c < 6 ? item->angleScale : 1.0);
        }
        double t[3], q[4], s[3];
        gltfPlacement(own, t, q, s);
        const double* from = first == 0 ? t : first == 3 ? q : s;
        std::memcpy(v, from, sizeof(double) * size_t(components()));
    }
    int components() const { return first == 3 ? 4 : 3; }

    // The pieces between the cuts, halved until each passes; false when the
    // key count hit the cap.
    bool sample(const std::vector<double>& cuts, std::vector<Piece>* pieces)
    {
        bool whole = true;
        for (size_t k = 0; k + 1 < cuts.size(); ++k) whole = piece(cuts[k], cuts[k + 1], pieces) && whole;
        return whole;
    }

private:
    // Just inside [a, b]: a step at an end belongs to its own side.
    double inside(double a, double b, double s) const
    {
        const double eps = 1e-9 * (b - a);
        return std::min(std::max(a + s * (b - a), a + eps), b - eps);
    }

    bool piece(double a, double b, std::vector<Piece>* pieces)
    {
        Piece p{a, b, {}, {}, {}, {}};
        const int n = components();
        const double length = b - a;
        if (slerping) {
            value(inside(a, b, 0), p.v0);
            value(inside(a, b, 1), p.v1);
            if (dot(p.v0, p.v1) < 0)
                for (double& c : p.v1) c = -c;
        } else {
            // The cubic through values at 0+, 1/3, 2/3 and 1-, as value and
            // slope at both ends (quaternions all on the first one's side).
            const double s[4] = {1e-9, 1.0 / 3, 2.0 / 3, 1 - 1e-9};
            double y[4][4];
            for (int k = 0; k < 4; ++k) {
                value(inside(a, b, s[k]), y[k]);
                if (n == 4 && k > 0 && dot(y[0], y[k]) < 0)
                    for (double& c : y[k]) c = -c;
            }
            for (int c = 0; c < n; ++c) {
                double poly[4];
                fitCubic(s, y, c, poly);
                p.v0[c] = poly[0];
                p.d0[c] = poly[1] / length;
                p.v1[c] = poly[0] + poly[1] + poly[2] + poly[3];
                p.d1[c] = (poly[1] + 2 * poly[2] + 3 * poly[3]) / length;
            }
        }
        // Halves while their ends stay apart as floats.
        const double mid = a + 0.5 * length;
        const bool divisible = floatDown(mid) > floatDown(a) && floatDown(mid) < floatDown(b) && pieces->size() < cap;
        if (divisible && !fits(p)) {
            const bool low = piece(a, mid, pieces);  // both halves, whatever the first answers
            return piece(mid, b, pieces) && low;
        }
        pieces->push_back(p);
        return divisible || pieces->size() < cap || fits(p);
    }

    bool fits(const Piece& p) const
    {
        for (int k = 1; k <= 11; ++k) {
            const double s = k / 12.0;
            double truth[4], mine[4];
            value(p.a + s * (p.b - p.a), truth);
            if (first == 3) {
                // glTF normalises a cubic's quaternion.
                if (slerping) slerp(p.v0, p.v1, s, mine);
                else hermite(p, s, mine);
                const double length = std::sqrt(dot(mine, mine));
                if (!(2 * std::acos(std::min(1.0, std::fabs(dot(truth, mine)) / length)) <= rotationBound)) return false;
            } else {
                hermite(p, s, mine);
                for (int c = 0; c < 3; ++c)
                    if (!(std::fabs(truth[c] - mine[c]) <= bound)) return false;
            }
        }
        return true;
    }

    // Lagrange through the four (s, y) as c0 + c1 s + c2 s^2 + c3 s^3.
    static void fitCubic(const double* s, double y[4][4], int c, double* poly)
    {
        std::fill(poly, poly + 4, 0.0);
        for (int i = 0; i < 4; ++i) {
            double basis[4] = {1, 0, 0, 0}, denominator = 1;
            for (int j = 0; j < 4; ++j) {
                if (j == i) continue;
                // basis *= (s - s[j])
                for (int k = 3; k > 0; --k) basis[k] = basis[k - 1] - s[j] * basis[k];
                basis[0] *= -s[j];
                denominator *= s[i] - s[j];
            }
            for (int k = 0; k < 4; ++k) poly[k] += y[i][c] * basis[k] / denominator;
        }
    }

    static void hermite(const Piece& p, double s, double* out)
    {
        const double length = p.b - p.a, s2 = s * s, s3 = s2 * s;
        for (int c = 0; c < 4; ++c)
            out[c] = (2 * s3 - 3 * s2 + 1) * p.v0[c] + (s3 - 2 * s2 + s) * length * p.d0[c] +
                     (-2 * s3 + 3 * s2) * p.v1[c] + (s3 - s2) * length * p.d1[c];
    }

    LwSceneItem* item;
    int first;
    double start, bound;
    bool slerping;
    size_t cap;

public:
    static double dot(const double* p, const double* q) { return p[0] * q[0] + p[1] * q[1] + p[2] * q[2] + p[3] * q[3]; }
    static void slerp(const double* p, const double* q, double s, double* out)
    {
        const double d = std::min(1.0, dot(p, q)), angle = std::acos(d);
        double wp = 1 - s, wq = s;
        if (angle > 1e-9) {
            wp = std::sin((1 - s) * angle) / std::sin(angle);
            wq = std::sin(s * angle) / std::sin(angle);
        }
        for (int k = 0; k < 4; ++k) out[k] = wp * p[k] + wq * q[k];
    }
};

// True when the channel holds one value everywhere: its keys all equal,
// without tangents or handles, and no reset to 0 from another value.
bool still(const LwChannelEnvelope& e)
{
    const double v = e.keys[0].value;
    for (int32_t k = 0; k < e.count; ++k) {
        const LwChannelKey& key = e.keys[k];
        if (key.value != v || key.p[1] != 0 || key.p[3] != 0 || key.p[4] != 0) return false;
    }
    return v == 0 || (e.pre != lwBehaviourReset && e.post != lwBehaviourReset);
}

// The key times of a channel within [from, to] (seconds), its behaviours'
// repeats included; false when there would be more than `room`.
bool channelCuts(const LwChannelEnvelope& e, double from, double to, size_t room, std::vector<double>* cuts)
{
    if (e.count < 2 || still(e)) return true;
    const double first = e.keys[0].time, last = e.keys[e.count - 1].time, period = last - first;
    auto repeats = [](LwBehaviour b) {
        return b == lwBehaviourRepeat || b == lwBehaviourOscillate || b == lwBehaviourOffsetRepeat;
    };
    double low = 0, high = 0;
    if (period > 0 && repeats(e.pre) && from < first) low = std::floor((from - first) / period);
    if (period > 0 && repeats(e.post) && to > last) high = std::ceil((to - first) / period);
    if ((high - low + 1) * double(e.count) > double(room)) return false;
    for (double n = low; n <= high; ++n) {
        const bool mirrored = (n < 0 ? e.pre : n > 0 ? e.post : lwBehaviourRepeat) == lwBehaviourOscillate &&
                              std::fmod(std::fabs(n), 2.0) == 1.0;
        for (int32_t k = 0; k < e.count; ++k) {
            const double t = (mirrored ? first + last - e.keys[k].time : e.keys[k].time) + n * period;
            if (t >= from && t <= to) cuts->push_back(t);
        }
    }
    return true;
}

class Animator {
public:
    Animator(LwScene* scene, const ConvertOptions& options, const SceneNodes& nodes, tinygltf::Model* model,
             ConvertResult* result)
        : scene(scene), options(options), nodes(nodes), model(*model), result(result)
    {
    }

    void run()
    {
        const double spf = lwSceneSecondsPerFrame(scene);
        start = scene->firstFrame * spf;
        end = scene->lastFrame * spf;
        if (!(end > start)) return;
        // The scene's size: the largest distance from the origin any position key holds.
        double size = 0;
        for (int32_t i = 0; i < scene->itemCount; ++i)
            for (int c = 0; c < 3; ++c)
                for (int32_t k = 0; k < scene->items[i].channels[c].count; ++k)
                    size = std::max(size, std::fabs(scene->items[i].channels[c].keys[k].value));
        positionBound = 1e-4 * (size > 0 ? size : 1.0);
        for (int32_t i = 0; i < scene->itemCount; ++i)
            for (int first : {0, 3, 6}) channel(i, first);
        if (!animation.channels.empty()) {
            animation.name = "Scene";
            model.animations.push_back(animation);
        }
    }

private:
    void channel(int32_t i, int first)
    {
        LwSceneItem& item = scene->items[i];
        bool keyed = false;
        for (int c = first; c < first + 3; ++c) keyed |= item.channels[c].count > 1;
        if (!keyed) return;
        const char* path = first == 0 ? "translation" : first == 3 ? "rotation" : "scale";
        const size_t sceneKeys = options.sceneKeys, channelKeys = std::max<size_t>(16, sceneKeys / 5);
        if (used + 16 > sceneKeys) {
            if (!spent) warn(item, "more than " + std::to_string(sceneKeys) + " keys in the scene: from here on, items stay still");
            spent = true;
            return;
        }
        const size_t room = std::min(channelKeys, sceneKeys - used);
        const double rate = options.framesPerSecond > 0 ? options.framesPerSecond : 1 / lwSceneSecondsPerFrame(scene);
        const double frames = std::max(1.0, std::min(double(room / 4), std::ceil((end - start) * rate)));
        // The cuts in glTF time: the range's ends and every key time between.
        std::vector<double> seconds{start, end};
        bool all = true;
        for (int c = first; c < first + 3; ++c)
            all = all && channelCuts(item.channels[c], start, end, room - seconds.size(), &seconds);
        if (!all) {
            warn(item, std::string(path) + ": too many keys in the range; cut at " + std::to_string(size_t(frames)) +
                           " even steps instead, coarser than the bound");
            seconds.clear();
            evenSteps(frames, &seconds);
        }
        std::vector<double> cuts = glTFCuts(seconds);
        if (cuts.size() < 2) return;
        const double bound = first == 0 ? positionBound : 1e-4;
        // Even steps are not refined: they are there because the keys are too many already.
        const size_t cap =
            all ? size_t(std::min(double(room), double(cuts.size()) + std::max(spareKeys, spareKeysPerFrame * frames))) : 0;
        std::vector<Piece> pieces;
        bool slerp = false;
        if (!sample(item, first, bound, cuts, cap, &pieces, &slerp) && all) {
            // Faster than the keys can follow: the value at each frame (and
            // key, while they fit), no finer.
            warn(item, std::string(path) + ": more than " + std::to_string(cap) +
                           " keys needed to follow it within the bound; cut at " + std::to_string(size_t(frames)) +
                           " even steps instead, coarser than the bound");
            if (seconds.size() + size_t(frames) + 1 > room) seconds.clear();
            std::vector<double> steps;
            evenSteps(frames, &steps);
            seconds.insert(seconds.end(), steps.begin(), steps.end());
            cuts = glTFCuts(seconds);
            pieces.clear();
            sample(item, first, bound, cuts, 0, &pieces, &slerp);
        }
        Sampler sampler(&item, first, start, bound, false, 0);
        // The value at the range's end itself, which a step there changes.
        double last[4];
        sampler.value(cuts.back(), last);
        used += write(i, path, sampler.components(), pieces, last, bound, slerp);
    }

    // The pieces between the cuts, halved to the bound while there are fewer
    // than `cap`; false when that was not enough. Rotations: slerp when it
    // needs fewer keys (a turn about one axis at a steady rate is exact), else
    // the cubic.
    bool sample(LwSceneItem& item, int first, double bound, const std::vector<double>& cuts, size_t cap,
                std::vector<Piece>* pieces, bool* slerp)
    {
        Sampler sampler(&item, first, start, bound, false, cap);
        bool whole = sampler.sample(cuts, pieces);
        *slerp = false;
        if (first == 3) {
            std::vector<Piece> slerped;
            // Given up as soon as it would need more.
            Sampler slerper(&item, first, start, 0, true, std::min(cap, pieces->size() + 1));
            const bool slerpWhole = slerper.sample(cuts, &slerped);
            if (slerped.size() <= pieces->size()) {
                pieces->swap(slerped);
                whole = slerpWhole;
                *slerp = true;
            }
        }
        return whole;
    }

    // `steps` even steps over the range, as cuts in scene seconds.
    void evenSteps(double steps, std::vector<double>* seconds) const
    {
        for (double k = 0; k <= steps; ++k) seconds->push_back(start + (end - start) * k / steps);
    }

    // Scene seconds in order as glTF times from the range's start; cuts closer
    // than floats tell apart would make keys of one time.
    std::vector<double> glTFCuts(std::vector<double> seconds) const
    {
        std::sort(seconds.begin(), seconds.end());
        std::vector<double> cuts;
        for (double t : seconds)
            if (cuts.empty() || floatDown(t - start) > floatDown(cuts.back())) cuts.push_back(t - start);
        return cuts;
    }

    // The pieces as keys: STEP when every piece is constant, LINEAR when all
    // are straight and meet, else CUBICSPLINE (rotations always LINEAR); a
    // key one float before a step holds the value before it. Answers the
    // number of keys.
    size_t write(int32_t i, const char* path, int n, std::vector<Piece> pieces, double* last, double within, bool slerp)
    {
        if (pieces.empty()) return 0;
        // Each quaternion piece on the side of the one before: slerp takes
        // the short way, as it was checked, and cubics meet.
        for (size_t k = 1; n == 4 && k < pieces.size(); ++k)
            if (Sampler::dot(pieces[k - 1].v1, pieces[k].v0) < 0)
                for (double* v : {pieces[k].v0, pieces[k].d0, pieces[k].v1, pieces[k].d1})
                    for (int c = 0; c < 4; ++c) v[c] = -v[c];
        if (n == 4 && Sampler::dot(pieces.back().v1, last) < 0)
            for (int c = 0; c < 4; ++c) last[c] = -last[c];
        // Rounding's size, and a step's: far below the bound, far above rounding.
        const double bound = 1e-9 * within, stepSize = 1e-3 * within;
        bool still = true, constant = true, straight = true, broken = false;
        for (size_t k = 0; k < pieces.size(); ++k) {
            const Piece& p = pieces[k];
            const double length = p.b - p.a;
            for (int c = 0; c < n; ++c) {
                still = still && std::fabs(p.v0[c] - pieces[0].v0[c]) <= bound &&
                        std::fabs(p.v1[c] - pieces[0].v0[c]) <= bound;
                constant = constant && std::fabs(p.v1[c] - p.v0[c]) <= bound && std::fabs(p.d0[c]) * length <= bound &&
                           std::fabs(p.d1[c]) * length <= bound;
                const double chord = (p.v1[c] - p.v0[c]) / length;
                straight = straight && std::fabs(p.d0[c] - chord) * length <= bound &&
                           std::fabs(p.d1[c] - chord) * length <= bound;
                if (k > 0) broken = broken || std::fabs(pieces[k - 1].v1[c] - p.v0[c]) > stepSize;
            }
        }
        bool endStep = false;
        for (int c = 0; c < n; ++c) endStep = endStep || std::fabs(pieces.back().v1[c] - last[c]) > stepSize;
        still = still && !endStep;
        if (still) return 0;
        const bool step = constant, cubic = !step && (n == 4 ? !slerp : !straight);
        std::vector<float> times, values;
        auto key = [&](double time, const double* in, const double* v, const double* out) {
            const float t = floatDown(time);
            if (!times.empty() && !(t > times.back())) return;
            times.push_back(t);
            if (cubic)
                for (int c = 0; c < n; ++c) values.push_back(float(in[c]));
            for (int c = 0; c < n; ++c) values.push_back(float(v[c]));
            if (cubic)
                for (int c = 0; c < n; ++c) values.push_back(float(out[c]));
        };
        static const double zero[4] = {0, 0, 0, 0};
        const float eps = -HUGE_VALF;  // toward: one float before
        for (size_t k = 0; k < pieces.size(); ++k) {
            const Piece& p = pieces[k];
            if (k == 0 || step) {
                key(p.a, zero, p.v0, step ? zero : p.d0);
            } else {
                const Piece& before = pieces[k - 1];
                bool jump = false;
                for (int c = 0; c < n; ++c) jump = jump || std::fabs(before.v1[c] - p.v0[c]) > stepSize;
                if (jump) key(std::nextafter(floatDown(p.a), eps), before.d1, before.v1, zero);
                key(p.a, jump ? zero : before.d1, p.v0, p.d0);
            }
        }
        const Piece& p = pieces.back();
        if (!step) key(endStep ? double(std::nextafter(floatDown(p.b), eps)) : p.b, p.d1, p.v1, zero);
        if (endStep) key(p.b, zero, last, zero);
        tinygltf::AnimationSampler sampler;
        sampler.input = accessor(times.data(), times.size(), TINYGLTF_TYPE_SCALAR, true);
        sampler.output = accessor(values.data(), values.size() / size_t(n), n == 4 ? TINYGLTF_TYPE_VEC4 : TINYGLTF_TYPE_VEC3,
                                  false);
        sampler.interpolation = step ? "STEP" : cubic ? "CUBICSPLINE" : "LINEAR";
        animation.samplers.push_back(sampler);
        tinygltf::AnimationChannel channel;
        channel.sampler = int(animation.samplers.size() - 1);
        channel.target_node = nodes.itemNode[size_t(i)];
        channel.target_path = path;
        animation.channels.push_back(channel);
        result->animationKeys += int64_t(times.size());
        return times.size();
    }

    int accessor(const float* data, size_t count, int type, bool bounds)
    {
        const size_t floats = count * size_t(type == TINYGLTF_TYPE_SCALAR ? 1 : type);
        tinygltf::Accessor a;
        a.bufferView = gltfBufferView(&model, data, floats * sizeof(float), 0);
        a.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        a.count = count;
        a.type = type;
        if (bounds) {
            a.minValues = {double(data[0])};
            a.maxValues = {double(data[count - 1])};
        }
        model.accessors.push_back(a);
        return int(model.accessors.size() - 1);
    }

    void warn(const LwSceneItem& item, const std::string& text) { sceneWarning(item, text, result); }

    LwScene* scene;
    const ConvertOptions& options;
    const SceneNodes& nodes;
    tinygltf::Model& model;
    ConvertResult* result;
    tinygltf::Animation animation;
    double start = 0, end = 0, positionBound = 1e-4;
    size_t used = 0;  // keys sampled so far in the scene
    bool spent = false;
};

}  // namespace

void animateScene(LwScene* scene, const ConvertOptions& options, const SceneNodes& nodes, tinygltf::Model* model,
                  ConvertResult* result)
{
    Animator(scene, options, nodes, model, result).run();
}
