// LightWave scenes into an LwScene: words and lines over the bytes, the three
// motion layouts, items and their parents, warnings by line.
#include "lwscene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "lightwave.h"

namespace {
enum {
    lineSize = 1024,      // longer lines are cut there, with a warning
    wordSize = 1024,
    maxChannels = 64,     // beyond the nine, channels are read and dropped
    maxRowChannels = 1024,
    playedChannels = 9,
};
constexpr size_t maxFileBytes = size_t(1) << 30;
constexpr int64_t noItem = int64_t(1) << 32;  // a parent id no item has

bool isBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

const char* skipBlanks(const char* s)
{
    while (*s == ' ' || *s == '\t') ++s;
    return s;
}

bool startsWord(const char* s, const char* word)
{
    size_t n = std::strlen(word);
    return std::strncmp(s, word, n) == 0 && (s[n] == 0 || s[n] == ' ' || s[n] == '\t');
}

// Up to `count` numbers after position s; answers how many were read.
int32_t readNumbers(const char* s, double* values, int32_t count)
{
    int32_t n = 0;
    while (n < count) {
        char* end = nullptr;
        double v = std::strtod(s, &end);
        if (end == s) break;
        values[n++] = v;
        s = end;
    }
    return n;
}

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

char* copyOf(const char* s)
{
    const size_t n = std::strlen(s);
    char* out = static_cast<char*>(std::malloc(n + 1));
    if (out) std::memcpy(out, s, n + 1);
    return out;
}

void freeItem(LwSceneItem* item)
{
    std::free(item->name);
    for (LwChannelEnvelope& e : item->channels) freeLwEnvelope(&e);
    for (int32_t b = 0; b < item->rowBlockCount; ++b) std::free(item->rowBlocks[b].rows);
    std::free(item->rowBlocks);
}

// One reading: the bytes (a zero after them, so that number parsing stops
// there), where it stands, and the items as they come.
struct Reader {
    const char* text = nullptr;
    size_t size = 0, at = 0;
    const char* name = "";
    LwScene* scene = nullptr;
    int32_t capacity = 0;
    bool outOfMemory = false, itemsFull = false;
    int32_t warningsLeft = lwSceneMaxWarnings;
    // Where the last line number was counted to: warnings come mostly in
    // file order, so counting on from there keeps the cost linear.
    size_t countedTo = 0;
    int32_t countedLine = 1;
    int32_t numbered[5] = {0, 0, 0, 0, 0};  // items of each id kind so far
    int32_t bonesOfObject = 0;              // bones since the last object or null
    std::vector<int64_t> parentIds;         // per item: the id its "ParentItem" names, -1 none

    // ---- lines and words ----
    int32_t lineAt(size_t offset)
    {
        if (offset > size) offset = size;
        if (offset < countedTo) countedTo = 0, countedLine = 1;
        // Line ends as readLine counts them: LF, CR LF, a CR alone.
        for (; countedTo < offset; ++countedTo) {
            const char c = text[countedTo];
            if (c == '\r' || (c == '\n' && (countedTo == 0 || text[countedTo - 1] != '\r'))) ++countedLine;
        }
        return countedLine;
    }

    void warnLine(int32_t line, const char* what)
    {
        if (warningsLeft <= 0) return;
        if (--warningsLeft == 0) what = "trop d'avertissements, les suivants sont tus";
        LwSceneWarning& w = scene->warnings[scene->warningCount++];
        w.line = line;
        std::snprintf(w.text, sizeof w.text, "%s", what);
        lwLog(lwLogWarning, "LwScene[Warning]:: '%s' ligne %d: %s", name, line, w.text);
    }
    void warn(size_t offset, const char* what) { warnLine(lineAt(offset), what); }

    // Every line is read by this one rule: a line ends at LF, CR LF or a CR
    // alone (the end is consumed, not kept); every other byte is kept as it
    // is; at most size - 1 bytes are kept, and the rest of a longer line is
    // skipped with a warning. False at the end, with nothing read.
    bool readLine(char* line, size_t lineLength, size_t* start = nullptr)
    {
        if (start) *start = at;
        line[0] = 0;
        if (at >= size) return false;
        const size_t from = at;
        size_t length = 0;
        bool cut = false;
        for (; at < size && text[at] != '\n' && text[at] != '\r'; ++at) {
            if (length + 1 < lineLength) line[length++] = text[at];
            else cut = true;
        }
        if (at < size && text[at++] == '\r' && at < size && text[at] == '\n') ++at;
        line[length] = 0;
        if (cut) warn(from, "ligne trop longue, coupee");
        return true;
    }

    // The rest of the current line without the blanks at either end: empty
    // when the word before it ended its line.
    void restOfLine(char* buffer, size_t length)
    {
        readLine(buffer, length);
        const size_t from = std::strspn(buffer, " \t");
        size_t n = std::strlen(buffer + from);
        while (n > 0 && (buffer[from + n - 1] == ' ' || buffer[from + n - 1] == '\t')) --n;
        std::memmove(buffer, buffer + from, n);
        buffer[n] = 0;
    }

    // Next blank-separated word, cut to length - 1 bytes; the blank after it
    // stays, so that a line read after a word at the end of its line finds
    // that line's end, not the next line.
    bool readWord(char* word, size_t length, size_t* start = nullptr)
    {
        while (at < size && isBlank(text[at])) ++at;
        if (start) *start = at;
        word[0] = 0;
        if (at >= size) return false;
        size_t n = 0;
        for (; at < size && !isBlank(text[at]); ++at)
            if (n + 1 < length) word[n++] = text[at];
        word[n] = 0;
        return true;
    }

    // Numbers as scanf's %i and %f take them (leading blanks skipped).
    bool readInteger(int32_t* value)
    {
        char* end = nullptr;
        const long v = std::strtol(text + at, &end, 0);
        if (end == text + at) return false;
        at = static_cast<size_t>(end - text);
        *value = static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
        return true;
    }
    bool readReal(float* value)
    {
        char* end = nullptr;
        const float v = std::strtof(text + at, &end);
        if (end == text + at) return false;
        at = static_cast<size_t>(end - text);
        *value = v;
        return true;
    }

    // ---- items ----
    LwSceneItem* add(LwItemKind kind, const char* id, size_t offset);
    // The latest item of either kind: kept as items come, since most words
    // ask (a scan back would make a scene of many items quadratic).
    int32_t latest[lwItemKindCount] = {-1, -1, -1, -1, -1};
    int32_t lastIndex(LwItemKind kind, LwItemKind orKind) const { return std::max(latest[kind], latest[orKind]); }
    LwSceneItem* last(LwItemKind kind, LwItemKind orKind)
    {
        const int32_t i = lastIndex(kind, orKind);
        return i >= 0 ? &scene->items[i] : nullptr;
    }
    void setName(LwSceneItem* item, const char* text)
    {
        char* copy = copyOf(text);
        if (!copy) {
            outOfMemory = true;
            return;
        }
        std::free(item->name);
        item->name = copy;
    }
    bool itemWord(const char* word, size_t offset);
    void loadObject(bool oneLayer, size_t offset);
    LwSceneItem* motionTarget(const char* word, size_t offset);

    // ---- motions ----
    void readMotion(LwSceneItem* item, size_t offset);
    bool readEnvelopeMotion(LwChannelEnvelope* channels);
    bool readInterimMotion(LwChannelEnvelope* channels);
    void readEnvelopeBlock(LwChannelEnvelope* envelope);
    LwMotionRows readMotionBlock();
    void reportFixes(size_t offset, uint32_t fixes);

    bool read();
    void finish();
};

LwSceneItem* Reader::add(LwItemKind kind, const char* id, size_t offset)
{
    if (scene->itemCount >= lwSceneMaxItems) {
        if (!itemsFull) warn(offset, "trop d'elements, les suivants ignores");
        itemsFull = true;
        return nullptr;
    }
    if (scene->itemCount == capacity) {
        const int32_t grown = capacity ? capacity * 2 : 16;
        void* items = std::realloc(scene->items, sizeof(LwSceneItem) * static_cast<size_t>(grown));
        if (!items) {
            outOfMemory = true;
            return nullptr;
        }
        scene->items = static_cast<LwSceneItem*>(items);
        capacity = grown;
    }
    const int32_t owner = lastIndex(lwItemObject, lwItemNull);
    latest[kind] = scene->itemCount;
    LwSceneItem* item = &scene->items[scene->itemCount++];
    std::memset(item, 0, sizeof *item);
    parentIds.push_back(-1);
    item->kind = kind;
    item->parent = -1;
    item->line = lineAt(offset);
    item->angleScale = 1;
    item->light = LwLightRecord{{1, 1, 1}, 1, 0, 30};
    for (LwChannelEnvelope& e : item->channels) e = lwEnvelopeEmpty();
    static const char* const names[] = {"", "Null", "Light", "Camera", "Bone"};
    setName(item, names[kind]);
    // An item written without an id has the next number of its kind; a bone
    // the next of its object's, with the object's number beside it.
    const int32_t idKind = idClass(kind);
    const uint32_t number = static_cast<uint32_t>(numbered[idKind]++);
    item->id = (static_cast<uint32_t>(idKind) << 28) | (number & 0x0FFFFFFF);
    if (kind == lwItemBone) {
        const uint32_t object = owner >= 0 ? scene->items[owner].id & 0xFFFF : 0;
        item->id = 0x40000000u | (static_cast<uint32_t>(bonesOfObject++ & 0xFFF) << 16) | object;
        item->parent = owner;  // until a "ParentItem" names another
    } else if (idKind == 1) {
        bonesOfObject = 0;
    }
    if (id && lwIsItemId(id, std::strcspn(id, " \t"))) item->id = static_cast<uint32_t>(std::strtoul(id, nullptr, 16));
    return item;
}

// "LoadObject FILE", or "LoadObjectLayer N [ID] FILE": the layer Modeler
// numbers N, then in later versions the item's id.
void Reader::loadObject(bool oneLayer, size_t offset)
{
    char word[wordSize], name[lineSize];
    int32_t layer = 0;
    bool hasId = false;
    if (oneLayer) {
        readInteger(&layer);
        const size_t back = at;
        hasId = readWord(word, sizeof word) && lwIsItemId(word, std::strlen(word));
        if (!hasId) at = back;
        layer = layer > 0 ? layer : 1;
    }
    restOfLine(name, sizeof name);
    if (LwSceneItem* item = add(lwItemObject, hasId ? word : nullptr, offset)) {
        setName(item, name);
        item->layer = layer;
    }
}

LwSceneItem* Reader::motionTarget(const char* word, size_t offset)
{
    if (std::strcmp(word, "ObjectMotion") == 0) return last(lwItemObject, lwItemNull);
    if (std::strcmp(word, "LightMotion") == 0) return last(lwItemLight, lwItemLight);
    if (std::strcmp(word, "BoneMotion") == 0) return last(lwItemBone, lwItemBone);
    LwSceneItem* camera = last(lwItemCamera, lwItemCamera);
    return camera ? camera : add(lwItemCamera, nullptr, offset);
}

bool Reader::itemWord(const char* word, size_t offset)
{
    char text[lineSize];
    LwSceneItem* current = scene->itemCount > 0 ? &scene->items[scene->itemCount - 1] : nullptr;
    float v[3] = {0, 0, 0};
    if (std::strcmp(word, "AddNullObject") == 0) {
        restOfLine(text, sizeof text);
        // Newer files put the item's id before the name.
        const char* name = text;
        const size_t idLength = std::strcspn(text, " \t");
        const bool hasId = lwIsItemId(text, idLength) && text[idLength];
        if (hasId) name = text + idLength + std::strspn(text + idLength, " \t");
        if (LwSceneItem* item = add(lwItemNull, hasId ? text : nullptr, offset)) setName(item, name);
    } else if (std::strcmp(word, "AddLight") == 0 || std::strcmp(word, "AddCamera") == 0 ||
               std::strcmp(word, "AddBone") == 0) {
        restOfLine(text, sizeof text);  // the id in newer files, empty in older ones
        add(word[3] == 'L' ? lwItemLight : word[3] == 'C' ? lwItemCamera : lwItemBone, text, offset);
    } else if (std::strcmp(word, "LightName") == 0 || std::strcmp(word, "CameraName") == 0 ||
               std::strcmp(word, "BoneName") == 0) {
        restOfLine(text, sizeof text);
        if (current) setName(current, text);
    } else if (std::strcmp(word, "ParentItem") == 0 || std::strcmp(word, "ParentObject") == 0) {
        restOfLine(text, sizeof text);
        if (!current) return true;
        char* end = nullptr;
        const bool byId = lwIsItemId(text, std::strcspn(text, " \t"));
        const long long value = std::strtoll(text, &end, byId ? 16 : 10);
        current->parentLine = lineAt(offset);
        // Older files' "ParentObject" (and a short "ParentItem") give a
        // 1-based object number: the object numbered one less. Anything
        // else names no item (ids have 32 bits).
        const bool number = !byId && value >= 1 && value <= 0x0FFFFFFF;
        parentIds[current - scene->items] = end == text ? noItem : byId ? value : number ? 0x10000000 + value - 1 : noItem;
    } else if (std::strcmp(word, "PivotPosition") == 0 || std::strcmp(word, "PivotPoint") == 0) {
        for (float& x : v) readReal(&x);
        if (current)
            for (int k = 0; k < 3; ++k) current->pivot[k] = std::isfinite(v[k]) ? v[k] : 0.0;
    } else if (std::strcmp(word, "ZoomFactor") == 0) {
        LwSceneItem* camera = last(lwItemCamera, lwItemCamera);
        if (readReal(&v[0]) && camera && v[0] > 0.01f && v[0] < 1e4f) camera->zoom = v[0];
    } else if (std::strcmp(word, "LightColor") == 0) {
        LwSceneItem* light = last(lwItemLight, lwItemLight);
        for (float& x : v) readReal(&x);
        // Older files give the colour in 0 to 255.
        const double unit = scene->version < 3 ? 255.0 : 1.0;
        if (light)
            for (int k = 0; k < 3; ++k) light->light.colour[k] = std::isfinite(v[k]) ? v[k] / unit : 1.0;
    } else if (std::strcmp(word, "LightIntensity") == 0 || std::strcmp(word, "LgtIntensity") == 0) {
        LwSceneItem* light = last(lwItemLight, lwItemLight);
        if (readReal(&v[0]) && light && std::isfinite(v[0])) light->light.intensity = v[0];
    } else if (std::strcmp(word, "LightType") == 0) {
        int32_t type = 0;
        LwSceneItem* light = last(lwItemLight, lwItemLight);
        if (readInteger(&type) && light) light->light.type = type;
    } else if (std::strcmp(word, "LightConeAngle") == 0) {
        LwSceneItem* light = last(lwItemLight, lwItemLight);
        if (readReal(&v[0]) && light && std::isfinite(v[0])) light->light.coneDegrees = v[0];
    } else {
        return false;
    }
    return true;
}

// ---- Motions ------------------------------------------------------------------

void Reader::reportFixes(size_t offset, uint32_t fixes)
{
    if (fixes & lwEnvelopeFixUnsorted) warn(offset, "cles dans le desordre, triees");
    if (fixes & lwEnvelopeFixUnknownShape) warn(offset, "forme de segment inconnue, prise comme TCB");
    if (fixes & lwEnvelopeFixBadBehaviour) warn(offset, "comportement inconnu, pris comme constant");
    if (fixes & lwEnvelopeFixNotFinite) warn(offset, "cles non finies, ignorees");
}

// A first-layout block: channel count N, key count K, K rows of N + 5 reals.
// Bounds that no real motion comes near; the rows grow as they are read, so
// a lying count costs no more memory than the bytes hold.
LwMotionRows Reader::readMotionBlock()
{
    LwMotionRows block{nullptr, 0, 0, 0};
    int32_t channels = 0, keys = 0;
    if (!readInteger(&channels) || channels < 1 || channels > maxRowChannels) return block;
    if (!readInteger(&keys) || keys < 1 || keys > lwSceneMaxFrame + 1) return block;
    const int32_t length = channels + 5;
    float* rows = nullptr;
    int32_t capacity = 0;
    for (int32_t k = 0; k < keys; ++k) {
        if (k == capacity) {
            capacity = std::min(capacity ? capacity * 2 : 16, keys);
            float* grown = static_cast<float*>(std::realloc(rows, sizeof(float) * length * capacity));
            if (!grown) {
                std::free(rows);
                return block;
            }
            rows = grown;
        }
        for (int32_t i = 0; i < length; ++i) {
            if (!readReal(&rows[k * length + i])) {
                std::free(rows);
                return block;
            }
        }
    }
    return LwMotionRows{rows, keys, length, 0};
}

// After the "Channel n" line: "{ Envelope", the key count, "Key" rows,
// "Behaviors" and "}". A line that belongs to none of them ends a block left
// open (with a warning) and is left for the caller.
void Reader::readEnvelopeBlock(LwChannelEnvelope* envelope)
{
    char line[lineSize];
    size_t start = 0;
    if (!readLine(line, sizeof line, &start) || !startsWord(skipBlanks(line), "{")) {
        warn(start, "'{ Envelope' attendu");
        at = start;
        return;
    }
    const size_t blockStart = start;
    long announced = -1;
    int32_t read = 0;
    bool closed = false, full = false, ended = true;
    while (readLine(line, sizeof line, &start)) {
        const char* s = skipBlanks(line);
        double v[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};  // a short "Key" leaves the rest 0
        if (*s == '}') {
            closed = true;
            break;
        } else if (startsWord(s, "Key")) {
            ++read;
            if (readNumbers(s + 3, v, 9) < 3) {
                warn(start, "cle incomplete, ignoree");
                continue;
            }
            LwChannelKey key{v[1], v[0], lwSpanTcb, {0, 0, 0, 0, 0, 0}};
            key.shape = (v[2] >= 0 && v[2] < lwSpanShapeCount) ? static_cast<LwSpanShape>(v[2]) : static_cast<LwSpanShape>(-1);
            for (int i = 0; i < 6; ++i) key.p[i] = static_cast<float>(std::isfinite(v[3 + i]) ? v[3 + i] : 0.0);
            if (!full && !lwEnvelopeAddKey(envelope, key)) {
                warn(start, "trop de cles, les suivantes ignorees");
                full = true;
            }
        } else if (startsWord(s, "Behaviors")) {
            if (readNumbers(s + 9, v, 2) == 2 && std::fabs(v[0]) < 100 && std::fabs(v[1]) < 100) {
                envelope->pre = static_cast<LwBehaviour>(static_cast<int32_t>(v[0]));
                envelope->post = static_cast<LwBehaviour>(static_cast<int32_t>(v[1]));
            } else {
                warn(start, "comportements illisibles");
            }
        } else if (announced < 0 && readNumbers(s, v, 1) == 1) {
            announced = (v[0] >= 0 && v[0] < 1e15) ? static_cast<long>(v[0]) : 0;
        } else if (*s) {
            warn(start, "'{' sans '}'");
            at = start;
            ended = false;
            break;
        }
    }
    if (!closed && ended) warn(blockStart, "'{' sans '}'");
    if (announced >= 0 && announced != read) {
        char what[96];
        std::snprintf(what, sizeof what, "%ld cles annoncees, %d lues", announced, read);
        warn(blockStart, what);
    }
    reportFixes(blockStart, lwEnvelopeTidy(envelope));
}

// The newer layout, from just after its "NumChannels" word. False when no
// channel was found.
bool Reader::readEnvelopeMotion(LwChannelEnvelope* channels)
{
    char line[lineSize];
    size_t start = 0;
    readLine(line, sizeof line, &start);  // the rest of "NumChannels n"
    double announced = 0;
    if (readNumbers(line, &announced, 1) != 1 || announced < 0 || announced > maxChannels)
        warn(start, "nombre de canaux invalide");
    int32_t found = 0;
    while (readLine(line, sizeof line, &start)) {
        const char* s = skipBlanks(line);
        if (!*s) continue;
        if (!startsWord(s, "Channel")) {
            at = start;
            break;
        }
        double index = -1;
        readNumbers(s + 7, &index, 1);
        LwChannelEnvelope dropped = lwEnvelopeEmpty();
        const bool played = index >= 0 && index < playedChannels && channels[static_cast<int>(index)].count == 0;
        if (!played) warn(start, "canal hors des neuf ou repete, ignore");
        readEnvelopeBlock(played ? &channels[static_cast<int>(index)] : &dropped);
        freeLwEnvelope(&dropped);
        if (++found > maxChannels) {
            warn(start, "trop de canaux");
            break;
        }
    }
    return found > 0;
}

// The interim layout, from the channel count, with the "Pre/PostBehavior"
// line after it when there is one. False when nothing could be read.
bool Reader::readInterimMotion(LwChannelEnvelope* motion)
{
    int32_t channels = 0;
    size_t start = at;
    if (!readInteger(&channels) || channels < 1 || channels > maxChannels) {
        warn(start, "nombre de canaux invalide");
        return false;
    }
    for (int32_t c = 0; c < channels; ++c) {
        LwChannelEnvelope dropped = lwEnvelopeEmpty();
        LwChannelEnvelope* envelope = c < playedChannels ? &motion[c] : &dropped;
        int32_t keys = 0;
        start = at;
        bool ok = readInteger(&keys) && keys >= 0;
        // Rows of value, time, span, tension, continuity, bias. The rows say
        // nothing of tangents, so only linear (3) and stepped (4) spans are
        // told apart; every other span is TCB.
        for (int32_t k = 0; ok && k < keys; ++k) {
            float row[6];
            for (float& x : row) ok = ok && readReal(&x);
            if (!ok) break;
            const float span = row[2];
            LwChannelKey key{row[1], row[0], span == 3.0f ? lwSpanLinear : span == 4.0f ? lwSpanStepped : lwSpanTcb,
                              {row[3], row[4], row[5], 0, 0, 0}};
            if (!lwEnvelopeAddKey(envelope, key)) ok = false;
        }
        if (!ok) warn(start, "cles du canal illisibles");
        reportFixes(start, lwEnvelopeTidy(envelope));
        freeLwEnvelope(&dropped);
        if (!ok) return c > 0;
    }
    // The behaviours follow the block: a pre and a post for each channel.
    start = at;
    char word[wordSize];
    if (readWord(word, sizeof word) && std::strcmp(word, "Pre/PostBehavior") == 0) {
        for (int32_t c = 0; c < channels; ++c) {
            int32_t pre = 0, post = 0;
            if (!readInteger(&pre) || !readInteger(&post)) break;
            if (c >= playedChannels) continue;
            motion[c].pre = static_cast<LwBehaviour>(pre);
            motion[c].post = static_cast<LwBehaviour>(post);
            reportFixes(start, lwEnvelopeTidy(&motion[c]));
        }
    } else {
        at = start;
    }
    return true;
}

// A motion of `item` (null: read and dropped). The newer layout has its
// "NumChannels" word either in place of the motion's name or after it;
// version 2 scenes without it are in the interim layout; the rest is rows.
void Reader::readMotion(LwSceneItem* item, size_t offset)
{
    char motionName[wordSize], word[wordSize];
    readWord(motionName, sizeof motionName);
    bool newer = std::strcmp(motionName, "NumChannels") == 0;
    if (!newer) {
        const size_t back = at;
        newer = readWord(word, sizeof word) && std::strcmp(word, "NumChannels") == 0;
        if (!newer) at = back;
    }
    if (newer || scene->version == 2) {
        LwChannelEnvelope dropped[9];
        for (LwChannelEnvelope& e : dropped) e = lwEnvelopeEmpty();
        LwChannelEnvelope* channels = item ? item->channels : dropped;
        if (!(newer ? readEnvelopeMotion(channels) : readInterimMotion(channels))) warn(offset, "Pas de keyframes");
        for (LwChannelEnvelope& e : dropped) freeLwEnvelope(&e);
        if (item) {
            item->layout = newer ? lwMotionEnvelopes : lwMotionInterim;
            // The newer layout keeps rotations in radians, the interim one in degrees.
            item->angleScale = newer ? 1.0 : lwRadiansPerDegree;
        }
        return;
    }
    LwMotionRows block = readMotionBlock();
    block.line = lineAt(offset);
    if (!block.rows) warn(offset, "Pas de keyframes");
    if (!item) {
        std::free(block.rows);
        return;
    }
    void* grown = std::realloc(item->rowBlocks, sizeof(LwMotionRows) * static_cast<size_t>(item->rowBlockCount + 1));
    if (!grown) {
        std::free(block.rows);
        outOfMemory = true;
        return;
    }
    item->rowBlocks = static_cast<LwMotionRows*>(grown);
    item->rowBlocks[item->rowBlockCount++] = block;
    item->layout = lwMotionRows;
    item->angleScale = lwRadiansPerDegree;
}

bool Reader::read()
{
    char word[wordSize];
    size_t offset = 0;
    if (!readWord(word, sizeof word) || std::strcmp(word, "LWSC") != 0) return false;
    readInteger(&scene->version);
    while (!outOfMemory && readWord(word, sizeof word, &offset)) {
        if (std::strcmp(word, "LoadObject") == 0 || std::strcmp(word, "LoadObjectLayer") == 0) {
            loadObject(word[10] != 0, offset);
        } else if (std::strcmp(word, "ObjectMotion") == 0 || std::strcmp(word, "CameraMotion") == 0 ||
                   std::strcmp(word, "LightMotion") == 0 || std::strcmp(word, "BoneMotion") == 0) {
            readMotion(motionTarget(word, offset), offset);
        } else if (std::strcmp(word, "LWSC") == 0) {
            readInteger(&scene->version);
        } else if (std::strcmp(word, "FirstFrame") == 0) {
            float v = 0;
            if (readReal(&v) && std::fabs(v) <= lwSceneMaxFrame) scene->firstFrame = v;
        } else if (std::strcmp(word, "LastFrame") == 0) {
            float v = 0;
            if (readReal(&v) && v >= 0 && v <= lwSceneMaxFrame) scene->lastFrame = v;
        } else if (std::strcmp(word, "FramesPerSecond") == 0) {
            float v = 0;
            if (readReal(&v) && v > 0 && v <= 1000) scene->framesPerSecond = v;
        } else if (std::strcmp(word, "FrameSize") == 0) {
            int32_t w = 0, h = 0;
            if (readInteger(&w) && readInteger(&h) && w > 0 && h > 0) scene->frameWidth = w, scene->frameHeight = h;
        } else if (std::strcmp(word, "FrameWidth") == 0 || std::strcmp(word, "FrameHeight") == 0) {
            int32_t v = 0;
            if (readInteger(&v) && v > 0) (word[5] == 'W' ? scene->frameWidth : scene->frameHeight) = v;
        } else {
            itemWord(word, offset);
        }
    }
    return true;
}

// Parents resolved (warning of loops and missing ones), the first layout's
// rows made linear envelopes at the scene's rate.
void Reader::finish()
{
    const int32_t n = scene->itemCount;
    LwSceneItem* items = scene->items;
    // Ids and their items, sorted by id; of items sharing an id the first wins.
    std::vector<std::pair<int64_t, int32_t>> byId;
    for (int32_t i = 0; i < n; ++i) byId.emplace_back(items[i].id, i);
    std::sort(byId.begin(), byId.end());
    for (int32_t i = 0; i < n; ++i) {
        if (parentIds[i] < 0) continue;
        auto found = std::lower_bound(byId.begin(), byId.end(), std::make_pair(parentIds[i], int32_t(-1)));
        items[i].parent = found != byId.end() && found->first == parentIds[i] ? found->second : -1;
        if (items[i].parent < 0) warnLine(items[i].parentLine, "parent inexistant, ignore");
    }
    for (int32_t i = 0; i < n; ++i) {
        int32_t j = items[i].parent;
        for (int32_t steps = 0; j >= 0 && j != i && steps < n; ++steps) j = items[j].parent;
        if (j == i) {
            warnLine(items[i].parentLine, "boucle de parents, parent ignore");
            items[i].parent = -1;
        }
    }
    // The first layout's keys are at frames, joined by straight lines.
    const double secondsPerFrame = lwSceneSecondsPerFrame(scene);
    for (int32_t i = 0; i < n; ++i) {
        for (int32_t b = 0; b < items[i].rowBlockCount; ++b) {
            const LwMotionRows& block = items[i].rowBlocks[b];
            const int32_t channels = std::min(block.length - 5, 9);
            for (int32_t c = 0; c < channels; ++c) {
                for (int32_t k = 0; k < block.keys; ++k) {
                    const float* row = block.rows + k * block.length;
                    LwChannelKey key{row[block.length - 5] * secondsPerFrame, row[c], lwSpanLinear, {0, 0, 0, 0, 0, 0}};
                    if (!lwEnvelopeAddKey(&items[i].channels[c], key)) break;
                }
            }
        }
        if (items[i].rowBlockCount > 0)
            for (LwChannelEnvelope& e : items[i].channels) lwEnvelopeTidy(&e);
    }
}
}  // namespace

// The reader's own test: blanks (line ends included), then the word.
bool lwIsSceneFile(const char* path)
{
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    int c = std::getc(f);
    while (isBlank(c)) c = std::getc(f);
    char word[5] = {static_cast<char>(c), 0, 0, 0, 0};
    const bool four = c != EOF && std::fread(word + 1, 1, 3, f) == 3;
    c = std::getc(f);
    std::fclose(f);
    return four && std::strcmp(word, "LWSC") == 0 && (c == EOF || isBlank(c));
}

bool lwIsItemId(const char* s, size_t length)
{
    return length == 8 && std::strspn(s, "0123456789abcdefABCDEF") >= 8;
}

LwScene* readLwSceneMemory(const void* bytes, size_t size, const char* name, const char** reason)
{
    const char* ignored = nullptr;
    const char*& why = reason ? *reason : ignored;
    Reader r;
    char* text = static_cast<char*>(std::malloc(size + 1));
    r.scene = static_cast<LwScene*>(std::calloc(1, sizeof(LwScene)));
    if (r.scene) r.scene->warnings = static_cast<LwSceneWarning*>(std::calloc(lwSceneMaxWarnings, sizeof(LwSceneWarning)));
    if (!text || !r.scene || !r.scene->warnings) {
        std::free(text);
        freeLwScene(r.scene);
        why = "out of memory";
        return nullptr;
    }
    if (size) std::memcpy(text, bytes, size);
    text[size] = 0;
    r.text = text;
    r.size = size;
    r.name = name ? name : "";
    r.scene->version = 1;
    const bool scene = r.read();
    if (scene && !r.outOfMemory) r.finish();
    std::free(text);
    if (!scene || r.outOfMemory) {
        freeLwScene(r.scene);
        why = scene ? "out of memory" : "not a LightWave scene (no LWSC)";
        return nullptr;
    }
    return r.scene;
}

LwScene* readLwScene(const char* path, const char** reason)
{
    FILE* file = std::fopen(path, "rb");
    std::vector<char> bytes;
    if (file) {
        char chunk[65536];
        // A bound far above any scene, so that a device or a pipe cannot run on.
        for (size_t n; bytes.size() <= maxFileBytes && (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
            bytes.insert(bytes.end(), chunk, chunk + n);
        const bool failed = std::ferror(file) || bytes.size() > maxFileBytes;
        std::fclose(file);
        if (!failed) return readLwSceneMemory(bytes.data(), bytes.size(), path, reason);
    }
    if (reason) *reason = "cannot read the file";
    return nullptr;
}

void freeLwScene(LwScene* scene)
{
    if (!scene) return;
    for (int32_t i = 0; i < scene->itemCount; ++i) freeItem(&scene->items[i]);
    std::free(scene->items);
    std::free(scene->warnings);
    std::free(scene);
}

bool lwSceneAppend(LwScene* into, LwScene* from)
{
    if (!from) return true;
    const size_t total = static_cast<size_t>(into->itemCount) + static_cast<size_t>(from->itemCount);
    if (from->itemCount > 0) {
        void* grown = std::realloc(into->items, sizeof(LwSceneItem) * total);
        if (!grown) return false;
        into->items = static_cast<LwSceneItem*>(grown);
        for (int32_t i = 0; i < from->itemCount; ++i) {
            LwSceneItem& item = into->items[into->itemCount + i];
            item = from->items[i];
            if (item.parent >= 0) item.parent += into->itemCount;
        }
        into->itemCount = static_cast<int32_t>(total);
        from->itemCount = 0;
    }
    freeLwScene(from);
    return true;
}

// ---- Evaluation ---------------------------------------------------------------

namespace {
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

void lwItemOwn(LwSceneItem* item, double seconds, double own[9])
{
    for (int c = 0; c < 9; ++c) {
        LwChannelEnvelope* e = &item->channels[c];
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

void lwSceneWorld(LwScene* scene, double seconds, double* world, int32_t* scratch)
{
    const int32_t n = scene->itemCount;
    int32_t* done = scratch;
    int32_t* chain = scratch + n;
    std::fill(done, done + n, 0);
    for (int32_t i = 0; i < n; ++i) {
        // The ancestors not yet placed, nearest first; parents are free of
        // loops once read, and the walk is bounded all the same.
        int32_t length = 0;
        for (int32_t j = i; j >= 0 && j < n && !done[j] && length < n; j = scene->items[j].parent) chain[length++] = j;
        while (length-- > 0) {
            LwSceneItem* item = &scene->items[chain[length]];
            double own[9], m[12];
            lwItemOwn(item, seconds, own);
            lwOwnMatrix(own, item->pivot, m);
            double* out = &world[12 * chain[length]];
            if (item->parent >= 0 && item->parent < n && done[item->parent]) multiply(&world[12 * item->parent], m, out);
            else std::memcpy(out, m, sizeof m);
            done[chain[length]] = 1;
        }
    }
}

double lwZoomFieldOfView(double zoom)
{
    return 2.0 * std::atan(1.0 / zoom) / lwRadiansPerDegree;
}
