// lwo-info for LightWave scenes: what a scene holds before it is converted or
// played. Keys are counted, not listed: a scene's motion is read from its
// channel envelopes' counts, span shapes and behaviours.

#include "scene.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli.h"
#include "lightwave.h"
#include "lwscene.h"

namespace {

// The reader's values are floats widened: as floats they print short ("3.2").
using Json = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool, std::int64_t, std::uint64_t,
                                  float>;

Json number(double v) { return jsonNumber<Json>(static_cast<float>(v)); }

const char* const channelNames[9] = {"x", "y", "z", "heading", "pitch", "bank", "scaleX", "scaleY", "scaleZ"};
const char* const kindNames[lwItemKindCount] = {"object", "null", "light", "camera", "bone"};
const char* const layoutNames[] = {"none", "rows", "interim", "envelopes"};
const char* const shapeNames[lwSpanShapeCount] = {"tcb", "hermite", "bezier", "linear", "stepped", "bezier2d"};
const char* const behaviourNames[lwBehaviourCount] = {"reset",     "constant",      "repeat",
                                                      "oscillate", "offset-repeat", "linear"};

// The reader keeps these within their enums (unknown ones are made TCB or constant).
const char* kindName(LwItemKind k) { return k >= 0 && k < lwItemKindCount ? kindNames[k] : "?"; }
const char* behaviourName(LwBehaviour b) { return b >= 0 && b < lwBehaviourCount ? behaviourNames[b] : "?"; }
const char* layoutName(LwMotionLayout l) { return l >= lwMotionNone && l <= lwMotionEnvelopes ? layoutNames[l] : "?"; }
const char* lightTypeName(int32_t t) { return t == 0 ? "distant" : t == 1 ? "point" : t == 2 ? "spot" : nullptr; }

std::string itemId(uint32_t id)
{
    char b[9];
    std::snprintf(b, sizeof b, "%08x", id);
    return b;
}

// Spans per shape: the span ending at key k has key k's shape; the first
// key's shape ends no span.
void spanCounts(const LwChannelEnvelope& e, int32_t counts[lwSpanShapeCount])
{
    std::fill(counts, counts + lwSpanShapeCount, 0);
    for (int32_t k = 1; k < e.count; ++k)
        if (e.keys[k].shape >= 0 && e.keys[k].shape < lwSpanShapeCount) ++counts[e.keys[k].shape];
}

bool hasPivot(const LwSceneItem& item) { return item.pivot[0] != 0 || item.pivot[1] != 0 || item.pivot[2] != 0; }

// ---- JSON ----

Json jsonItem(const LwScene* s, const LwSceneItem& item)
{
    Json j = {{"kind", kindName(item.kind)}, {"id", itemId(item.id)}, {"name", jsonText<Json>(item.name)}};
    if (item.kind == lwItemObject) j["layer"] = item.layer;
    j["line"] = item.line;
    j["parent"] = item.parent >= 0 && item.parent < s->itemCount ? Json(item.parent) : Json(nullptr);
    j["pivot"] = {number(item.pivot[0]), number(item.pivot[1]), number(item.pivot[2])};
    if (item.kind == lwItemCamera) j["zoom"] = item.zoom > 0 ? number(item.zoom) : Json(nullptr);
    if (item.kind == lwItemLight) {
        const LwLightRecord& l = item.light;
        const char* type = lightTypeName(l.type);
        j["light"] = {{"type", type ? Json(type) : Json(l.type)},
                      {"colour", {number(l.colour[0]), number(l.colour[1]), number(l.colour[2])}},
                      {"intensity", number(l.intensity)},
                      {"coneDegrees", number(l.coneDegrees)}};
    }
    j["motion"] = layoutName(item.layout);
    Json channels = Json::array();
    for (int c = 0; c < 9; ++c) {
        const LwChannelEnvelope& e = item.channels[c];
        if (e.count == 0) continue;
        int32_t counts[lwSpanShapeCount];
        spanCounts(e, counts);
        Json spans = Json::object();
        for (int k = 0; k < lwSpanShapeCount; ++k)
            if (counts[k]) spans[shapeNames[k]] = counts[k];
        channels.push_back({{"channel", channelNames[c]},
                            {"keys", e.count},
                            {"spans", std::move(spans)},
                            {"pre", behaviourName(e.pre)},
                            {"post", behaviourName(e.post)}});
    }
    j["channels"] = std::move(channels);
    return j;
}

void printJson(const char* path, const LwScene* s)
{
    Json items = Json::array(), warnings = Json::array();
    for (int32_t i = 0; i < s->itemCount; ++i) items.push_back(jsonItem(s, s->items[i]));
    for (int32_t i = 0; i < s->warningCount; ++i)
        warnings.push_back({{"line", s->warnings[i].line}, {"text", jsonText<Json>(s->warnings[i].text)}});
    Json j = {{"file", jsonText<Json>(path)},
              {"ok", true},
              {"form", "LWSC"},
              {"version", s->version},
              {"firstFrame", number(s->firstFrame)},
              {"lastFrame", number(s->lastFrame)},
              {"framesPerSecond", s->framesPerSecond > 0 ? number(s->framesPerSecond) : Json(nullptr)},
              {"items", std::move(items)},
              {"warnings", std::move(warnings)}};
    std::printf("%s\n", j.dump().c_str());
}

// ---- text ----

void printItem(const LwScene* s, int32_t index)
{
    const LwSceneItem& item = s->items[index];
    std::printf("  item %d: %s %s \"%s\"", index, kindName(item.kind), itemId(item.id).c_str(),
                item.name ? item.name : "");
    if (item.kind == lwItemObject) std::printf(item.layer ? " layer %d" : " (every layer)", item.layer);
    std::printf(", line %d", item.line);
    if (item.parent >= 0 && item.parent < s->itemCount) {
        const char* parent = s->items[item.parent].name;
        std::printf(", parent \"%s\" (item %d)", parent ? parent : "", item.parent);
    }
    if (hasPivot(item)) std::printf(", pivot (%g %g %g)", item.pivot[0], item.pivot[1], item.pivot[2]);
    if (item.kind == lwItemCamera) {
        if (item.zoom > 0) std::printf(", zoom %g", item.zoom);
        else std::printf(", no zoom");
    }
    if (item.kind == lwItemLight) {
        const LwLightRecord& l = item.light;
        const char* type = lightTypeName(l.type);
        if (type) std::printf(", %s light", type);
        else std::printf(", light of type %d", l.type);
        std::printf(" colour (%g %g %g) intensity %g", l.colour[0], l.colour[1], l.colour[2], l.intensity);
        if (l.type == 2) std::printf(" cone %g degrees", l.coneDegrees);
    }
    if (item.layout == lwMotionNone) std::printf(", no motion\n");
    else std::printf(", motion in %s\n", item.layout == lwMotionInterim ? "interim key rows" : layoutName(item.layout));
    for (int c = 0; c < 9; ++c) {
        const LwChannelEnvelope& e = item.channels[c];
        if (e.count == 0) continue;
        int32_t counts[lwSpanShapeCount];
        spanCounts(e, counts);
        std::printf("    %s: %d key%s", channelNames[c], e.count, e.count == 1 ? "" : "s");
        const char* sep = ", spans ";
        for (int k = 0; k < lwSpanShapeCount; ++k) {
            if (!counts[k]) continue;
            std::printf("%s%s %d", sep, shapeNames[k], counts[k]);
            sep = ", ";
        }
        std::printf("; pre %s, post %s\n", behaviourName(e.pre), behaviourName(e.post));
    }
}

void printText(const char* path, const LwScene* s)
{
    std::printf("%s: scene version %d, frames %g to %g", path, s->version, s->firstFrame, s->lastFrame);
    if (s->framesPerSecond > 0) std::printf(" at %g a second", s->framesPerSecond);
    else std::printf(", no frame rate (a frame is 10 ms)");
    std::printf(", %d items, %d warnings\n", s->itemCount, s->warningCount);
    for (int32_t i = 0; i < s->itemCount; ++i) printItem(s, i);
    for (int32_t i = 0; i < s->warningCount; ++i)
        std::printf("  warning, line %d: %s\n", s->warnings[i].line, s->warnings[i].text);
}

}  // namespace

bool printLwScene(const char* path, bool json)
{
    const char* reason = nullptr;
    LwScene* s = readLwScene(path, &reason);
    if (!s) {
        std::fprintf(stderr, "lwo-info: %s: %s\n", path, reason ? reason : "cannot be read");
        if (json)
            std::printf("%s\n", Json({{"file", jsonText<Json>(path)}, {"ok", false}, {"form", "LWSC"},
                                      {"failReason", jsonText<Json>(reason)}})
                                    .dump()
                                    .c_str());
        return false;
    }
    if (json) printJson(path, s);
    else printText(path, s);
    freeLwScene(s);
    return true;
}
