// LightWave scene items: reading their words, resolving parents, and the
// world matrices that place the engine's objects and camera at a time.
#include "lwitems.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "toolkit.h"

namespace {
enum { maxItems = 4096 };  // beyond that, items are warned about and dropped
constexpr int64_t noItem = int64_t(1) << 32;  // a parent id no item has

// The item id's class: objects and nulls share one numbering.
int32_t idClass(LwItemKind kind)
{
    switch (kind) {
    case lwItemObject:
    case lwItemNull: return 1;
    case lwItemLight: return 2;
    case lwItemCamera: return 3;
    default: return 4;
    }
}

void multiply(const double a[12], const double b[12], double out[12])
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) {
            double v = c == 3 ? a[4 * r + 3] : 0.0;
            for (int i = 0; i < 3; ++i) v += a[4 * r + i] * b[4 * i + c];
            out[4 * r + c] = v;
        }
}
}  // namespace

bool lwIsItemId(const char* s, size_t length)
{
    return length == 8 && std::strspn(s, "0123456789abcdefABCDEF") >= 8;
}

void lwItemOwn(LwSceneItem* item, double seconds, double own[9])
{
    for (int c = 0; c < 9; ++c) {
        LwChannelEnvelope* e = &item->motion.channels[c];
        own[c] = e->count > 0 ? lwEnvelopeValue(e, seconds) : (c >= 6 ? 1.0 : 0.0);
        if (c >= 3 && c < 6) own[c] *= item->angleScale;
    }
}

void lwOwnMatrix(const double own[9], const double pivot[3], double m[12])
{
    const double ch = std::cos(own[3]), sh = std::sin(own[3]);
    const double cp = std::cos(own[4]), sp = std::sin(own[4]);
    const double cb = std::cos(own[5]), sb = std::sin(own[5]);
    // Ry(heading) Rx(pitch) Rz(bank), then each column scaled.
    const double r[9] = {ch * cb + sh * sp * sb, -ch * sb + sh * sp * cb, sh * cp,
                         cp * sb,                 cp * cb,                 -sp,
                         -sh * cb + ch * sp * sb, sh * sb + ch * sp * cb, ch * cp};
    for (int row = 0; row < 3; ++row) {
        double t = own[row];
        for (int c = 0; c < 3; ++c) {
            m[4 * row + c] = r[3 * row + c] * own[6 + c];
            t -= m[4 * row + c] * pivot[c];
        }
        m[4 * row + 3] = t;
    }
}

void lwItemsWorld(LwSceneItems* items, double seconds)
{
    const size_t n = items->items.size();
    items->world.resize(12 * n);
    std::vector<unsigned char>& done = items->placed;
    std::vector<int32_t>& chain = items->chain;
    done.assign(n, 0);
    for (size_t i = 0; i < n; ++i) {
        // The ancestors not yet placed, nearest first; parents are free of
        // loops once read, and the walk is bounded all the same.
        chain.clear();
        for (int32_t j = static_cast<int32_t>(i); j >= 0 && !done[j] && chain.size() <= n; j = items->items[j]->parent)
            chain.push_back(j);
        for (size_t k = chain.size(); k-- > 0;) {
            LwSceneItem* item = items->items[chain[k]].get();
            double own[9], m[12];
            lwItemOwn(item, seconds, own);
            lwOwnMatrix(own, item->pivot, m);
            double* out = &items->world[12 * chain[k]];
            if (item->parent >= 0 && done[item->parent]) multiply(&items->world[12 * item->parent], m, out);
            else std::memcpy(out, m, sizeof m);
            done[chain[k]] = 1;
        }
    }
}

double lwZoomFieldOfView(double zoom)
{
    return 2.0 * std::atan(1.0 / zoom) / lwRadiansPerDegree;
}

static int32_t lightsFromWorld(const LwSceneItems* items, SceneLight* out, int32_t max)
{
    int32_t count = 0;
    for (size_t i = 0; i < items->items.size() && count < max; ++i) {
        const LwSceneItem& item = *items->items[i];
        if (item.kind != lwItemLight) continue;
        const double* m = &items->world[12 * i];
        SceneLight& s = out[count++];
        s.kind = static_cast<unsigned char>(item.light.type >= 0 && item.light.type <= 2 ? item.light.type : 0);
        // A light shines along its own +z.
        const double length = std::sqrt(m[2] * m[2] + m[6] * m[6] + m[10] * m[10]);
        for (int k = 0; k < 3; ++k) {
            s.position[k] = static_cast<float>(m[4 * k + 3]);
            s.direction[k] = static_cast<float>(length > 0 ? m[4 * k + 2] / length : (k == 2));
            s.colour[k] = static_cast<float>(item.light.colour[k]);
        }
        s.intensity = static_cast<float>(item.light.intensity);
        s.coneDegrees = static_cast<float>(item.light.coneDegrees);
    }
    return count;
}

// Every light goes to the engine, which keeps the brightest it can draw.
static void placeLights(Scene* scene, LwSceneItems* items)
{
    int32_t count = 0;
    for (const auto& item : items->items) count += item->kind == lwItemLight;
    if (count == 0) return;
    items->lights.resize(static_cast<size_t>(count));
    scene->setLights(items->lights.data(), lightsFromWorld(items, items->lights.data(), count));
}

void LwSceneItems::place(Scene* scene, double at)
{
    seconds = at;
    lwItemsWorld(this, at);
    // The first camera is the view: its zoom holds even when the players,
    // not the items, place the scene (the first layout).
    size_t camera = 0;
    while (camera < items.size() && items[camera]->kind != lwItemCamera) ++camera;
    if (camera < items.size() && items[camera]->zoom > 0)
        scene->fieldOfView = static_cast<float>(lwZoomFieldOfView(items[camera]->zoom));
    if (!placing) return;
    for (size_t i = 0; i < items.size(); ++i) {
        const LwSceneItem& item = *items[i];
        float m[12];
        for (int k = 0; k < 12; ++k) m[k] = static_cast<float>(world[12 * i + k]);
        for (int32_t k = 0; k < item.objectSpan; ++k) {
            const int32_t at = item.objectIndex + k;
            if (at < 0 || at >= scene->objectCount || !scene->objects[at]) continue;
            scene->objects[at]->hasMatrix = 1;
            std::memcpy(scene->objects[at]->matrix, m, sizeof m);
        }
        if (i == camera && scene->camera) {
            scene->camera->hasMatrix = 1;
            std::memcpy(scene->camera->matrix, m, sizeof m);
        }
    }
    placeLights(scene, this);
}

LwSceneItems* lwSceneItemsOf(Scene* scene)
{
    return scene ? dynamic_cast<LwSceneItems*>(scene->animation) : nullptr;
}

int32_t lwLightsAt(LwSceneItems* items, double seconds, SceneLight* out, int32_t max)
{
    lwItemsWorld(items, seconds);
    return lightsFromWorld(items, out, max);
}

// ---- Reading ------------------------------------------------------------------

LwSceneItem* LwItemsReading::add(LwItemKind kind, const char* id)
{
    if (items->items.size() >= maxItems) {
        if (items->items.size() == maxItems) warnLightWaveLine(file, std::ftell(file), "trop d'elements, les suivants ignores");
        return nullptr;
    }
    const int32_t owner = lastIndex(lwItemObject, lwItemNull);
    items->items.emplace_back(new LwSceneItem);
    LwSceneItem* item = items->items.back().get();
    item->kind = kind;
    static const char* const names[] = {"", "Null", "Light", "Camera", "Bone"};
    copyText(item->name, sizeof item->name, names[kind]);
    // An item written without an id has the next number of its kind; a bone
    // the next of its object's, with the object's number beside it.
    const int32_t idKind = idClass(kind);
    const uint32_t number = static_cast<uint32_t>(numbered[idKind]++);
    item->id = (static_cast<uint32_t>(idKind) << 28) | (number & 0x0FFFFFFF);
    if (kind == lwItemBone) {
        const uint32_t object = owner >= 0 ? items->items[owner]->id & 0xFFFF : 0;
        item->id = 0x40000000u | (static_cast<uint32_t>(bonesOfObject++ & 0xFFF) << 16) | object;
        item->parent = owner;  // until a "ParentItem" names another
    } else if (idKind == 1) {
        bonesOfObject = 0;
    }
    if (id && lwIsItemId(id, std::strcspn(id, " \t"))) item->id = static_cast<uint32_t>(std::strtoul(id, nullptr, 16));
    return item;
}

int32_t LwItemsReading::lastIndex(LwItemKind kind, LwItemKind orKind) const
{
    for (size_t i = items->items.size(); i-- > 0;)
        if (items->items[i]->kind == kind || items->items[i]->kind == orKind) return static_cast<int32_t>(i);
    return -1;
}

LwSceneItem* LwItemsReading::last(LwItemKind kind, LwItemKind orKind)
{
    const int32_t i = lastIndex(kind, orKind);
    return i >= 0 ? items->items[i].get() : nullptr;
}

LwSceneItem* LwItemsReading::addObject(Scene* scene, int32_t before, int32_t layer, const char* name, const char* id)
{
    LwSceneItem* item = add(lwItemObject, id);
    if (!item) return nullptr;
    copyText(item->name, sizeof item->name, name);
    const int32_t made = scene->objectCount - before;
    if (made <= 0) return item;
    // LightWave turns them; the engine's own files turn pitch outermost.
    for (int32_t i = before; i < scene->objectCount; ++i)
        if (scene->objects[i]) scene->objects[i]->headingFirst = 1;
    int32_t position = 0;  // of the layer kept, from 1 in file order
    if (layer > 0) {
        if (importedLayerNumbers.size() == static_cast<size_t>(made))
            for (int32_t i = 0; i < made && position == 0; ++i)
                if (importedLayerNumbers[i] == layer) position = i + 1;
        if (position == 0) {
            warnLightWaveLine(file, std::ftell(file) - 1, "couche absente de l'objet, la premiere est prise");
            position = 1;
        }
    }
    item->objectIndex = position > 0 ? before + position - 1 : before;
    item->objectSpan = position > 0 ? 1 : made;
    if (position > 0)
        for (int32_t i = before; i < scene->objectCount; ++i)
            if (i != item->objectIndex) scene->hideObject(scene->objects[i]);
    return item;
}

LwSceneItem* LwItemsReading::motionTarget(const char* word)
{
    if (std::strcmp(word, "ObjectMotion") == 0) return last(lwItemObject, lwItemNull);
    if (std::strcmp(word, "LightMotion") == 0) return last(lwItemLight, lwItemLight);
    if (std::strcmp(word, "BoneMotion") == 0) return last(lwItemBone, lwItemBone);
    LwSceneItem* camera = last(lwItemCamera, lwItemCamera);
    return camera ? camera : add(lwItemCamera, nullptr);
}

bool LwItemsReading::readWord(Scene*, const char* word)
{
    char text[lightWaveWordSize];
    LwSceneItem* current = items->items.empty() ? nullptr : items->items.back().get();
    LwSceneItem* light = last(lwItemLight, lwItemLight);
    float v[3] = {0, 0, 0};
    if (std::strcmp(word, "AddNullObject") == 0) {
        readRestOfLine(file, text, sizeof text);
        // Newer files put the item's id before the name.
        const char* name = text;
        const size_t idLength = std::strcspn(text, " \t");
        const bool hasId = lwIsItemId(text, idLength) && text[idLength];
        if (hasId) name = text + idLength + std::strspn(text + idLength, " \t");
        if (LwSceneItem* item = add(lwItemNull, hasId ? text : nullptr)) copyText(item->name, sizeof item->name, name);
    } else if (std::strcmp(word, "AddLight") == 0 || std::strcmp(word, "AddCamera") == 0 ||
               std::strcmp(word, "AddBone") == 0) {
        readRestOfLine(file, text, sizeof text);  // the id in newer files, empty in older ones
        add(word[3] == 'L' ? lwItemLight : word[3] == 'C' ? lwItemCamera : lwItemBone, text);
    } else if (std::strcmp(word, "LightName") == 0 || std::strcmp(word, "CameraName") == 0 ||
               std::strcmp(word, "BoneName") == 0) {
        readRestOfLine(file, text, sizeof text);
        if (current) copyText(current->name, sizeof current->name, text);
    } else if (std::strcmp(word, "ParentItem") == 0 || std::strcmp(word, "ParentObject") == 0) {
        const long offset = std::ftell(file);
        readRestOfLine(file, text, sizeof text);
        if (!current) return true;
        char* end = nullptr;
        const bool byId = lwIsItemId(text, std::strcspn(text, " \t"));
        const long long value = std::strtoll(text, &end, byId ? 16 : 10);
        current->parentOffset = offset;
        // Older files' "ParentObject" (and a short "ParentItem") give a
        // 1-based object number: the object numbered one less. Anything
        // else names no item (ids have 32 bits).
        const bool number = !byId && value >= 1 && value <= 0x0FFFFFFF;
        current->parentId = end == text ? noItem : byId ? value : number ? 0x10000000 + value - 1 : noItem;
    } else if (std::strcmp(word, "PivotPosition") == 0 || std::strcmp(word, "PivotPoint") == 0) {
        for (float& x : v) readReal(file, &x);
        if (current)
            for (int k = 0; k < 3; ++k) current->pivot[k] = std::isfinite(v[k]) ? v[k] : 0.0;
    } else if (std::strcmp(word, "ZoomFactor") == 0) {
        LwSceneItem* camera = last(lwItemCamera, lwItemCamera);
        if (readReal(file, &v[0]) && camera && v[0] > 0.01f && v[0] < 1e4f) camera->zoom = v[0];
    } else if (std::strcmp(word, "LightColor") == 0) {
        for (float& x : v) readReal(file, &x);
        // Older files give the colour in 0 to 255.
        const double unit = version < 3 ? 255.0 : 1.0;
        if (light)
            for (int k = 0; k < 3; ++k) light->light.colour[k] = std::isfinite(v[k]) ? v[k] / unit : 1.0;
    } else if (std::strcmp(word, "LightIntensity") == 0 || std::strcmp(word, "LgtIntensity") == 0) {
        if (readReal(file, &v[0]) && light && std::isfinite(v[0])) light->light.intensity = v[0];
    } else if (std::strcmp(word, "LightType") == 0) {
        int32_t type = 0;
        if (readInteger(file, &type) && light) light->light.type = type;
    } else if (std::strcmp(word, "LightConeAngle") == 0) {
        if (readReal(file, &v[0]) && light && std::isfinite(v[0])) light->light.coneDegrees = v[0];
    } else {
        return false;
    }
    return true;
}

void LwItemsReading::finish(Scene* scene, double firstSeconds, double lastSeconds)
{
    std::vector<std::unique_ptr<LwSceneItem>>& list = items->items;
    const int32_t n = static_cast<int32_t>(list.size());
    // Ids and their items, sorted by id; of items sharing an id the first wins.
    std::vector<std::pair<int64_t, int32_t>> byId;
    for (int32_t i = 0; i < n; ++i) byId.emplace_back(list[i]->id, i);
    std::sort(byId.begin(), byId.end());
    for (auto& owned : list) {
        LwSceneItem* item = owned.get();
        if (item->parentId < 0) continue;
        auto found = std::lower_bound(byId.begin(), byId.end(), std::make_pair(item->parentId, int32_t(-1)));
        item->parent = found != byId.end() && found->first == item->parentId ? found->second : -1;
        if (item->parent < 0) warnLightWaveLine(file, item->parentOffset, "parent inexistant, ignore");
    }
    for (int32_t i = 0; i < n; ++i) {
        int32_t j = list[i]->parent;
        for (int32_t steps = 0; j >= 0 && j != i && steps < n; ++steps) j = list[j]->parent;
        if (j == i) {
            warnLightWaveLine(file, list[i]->parentOffset, "boucle de parents, parent ignore");
            list[i]->parent = -1;
        }
    }
    if (n == 0) return;
    for (const auto& item : list) items->placing = items->placing || item->timed || item->parent >= 0;
    items->firstSeconds = firstSeconds;
    items->lastSeconds = lastSeconds > firstSeconds ? lastSeconds : firstSeconds;
    if (!scene->animation) {
        scene->animation = items;
        items = nullptr;
        return;
    }
    // A scene loaded after (or inside) another: its items follow the first's.
    LwSceneItems* into = lwSceneItemsOf(scene);
    if (!into) return;
    const int32_t offset = static_cast<int32_t>(into->items.size());
    for (auto& item : list) {
        if (item->parent >= 0) item->parent += offset;
        into->items.push_back(std::move(item));
    }
    into->placing = into->placing || items->placing;
    if (items->lastSeconds > into->lastSeconds) into->lastSeconds = items->lastSeconds;
}

void lwItemTakeRows(LwSceneItem* item, const float* rows, int32_t keys, int32_t length, double secondsPerFrame)
{
    // The first layout's keys are at frames, joined by straight lines, with
    // angles in degrees.
    const int32_t channels = length - 5 < 9 ? length - 5 : 9;
    item->angleScale = lwRadiansPerDegree;
    for (int32_t c = 0; c < channels; ++c) {
        LwChannelEnvelope* e = &item->motion.channels[c];
        for (int32_t k = 0; k < keys; ++k) {
            const float* row = rows + k * length;
            LwChannelKey key{row[length - 5] * secondsPerFrame, row[c], lwSpanLinear, {0, 0, 0, 0, 0, 0}};
            if (!lwEnvelopeAddKey(e, key)) break;
        }
        lwEnvelopeTidy(e);
    }
}
