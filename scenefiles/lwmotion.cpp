// LightWave motions kept as envelopes, one per channel: the interim layout
// (per channel a key count and rows of value, time, span, three parameters)
// and the newer one ("NumChannels", "Channel n", "{ Envelope" blocks). The
// scene's items keep them and evaluate them at the clock's time (lwitems.h),
// so the motion is smooth at any frame rate. Also the one line reader of
// LightWave scenes and their warnings by line.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "lwenvelope.h"
#include "imagesearch.h"
#include "scenefiles.h"
#include "toolkit.h"

namespace {
enum {
    lineSize = 1024,          // longer lines are cut there, with a warning
    maxWarnings = 16,         // per scene: each may rescan the file for its line number
    maxChannels = 64,         // beyond the nine, channels are read and dropped
    playedChannels = 9,
};

int32_t warningsLeft = maxWarnings;

// The 1-based line holding byte `offset` of the file. Only asked for
// warnings, which are few (maxWarnings), so a rescan is cheap enough.
long lineAt(FILE* file, long offset)
{
    const long back = std::ftell(file);
    std::rewind(file);
    long line = 1;
    // Line ends as readLightWaveLine counts them: LF, CR LF, a CR alone.
    for (long i = 0, previous = 0; i < offset; ++i) {
        int c = std::getc(file);
        if (c == EOF) break;
        if (c == '\r' || (c == '\n' && previous != '\r')) ++line;
        previous = c;
    }
    std::fseek(file, back, SEEK_SET);
    return line;
}

void warnAt(FILE* file, long offset, const char* what)
{
    if (warningsLeft <= 0) return;
    if (--warningsLeft == 0) {
        Scene::reportWarning(" Scene Lightwave: trop d'avertissements, les suivants sont tus");
        return;
    }
    const char* scene = sceneLoadingObjects();
    reportFormatted(Scene::reportWarning, lineSize, " '%s' ligne %ld: %s", scene ? scene : "?", lineAt(file, offset), what);
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

void reportFixes(FILE* file, long offset, uint32_t fixes)
{
    if (fixes & lwEnvelopeFixUnsorted) warnAt(file, offset, "cles dans le desordre, triees");
    if (fixes & lwEnvelopeFixUnknownShape) warnAt(file, offset, "forme de segment inconnue, prise comme TCB");
    if (fixes & lwEnvelopeFixBadBehaviour) warnAt(file, offset, "comportement inconnu, pris comme constant");
    if (fixes & lwEnvelopeFixNotFinite) warnAt(file, offset, "cles non finies, ignorees");
}

// After the "Channel n" line: "{ Envelope", the key count, "Key" rows,
// "Behaviors" and "}". A line that belongs to none of them ends a block left
// open (with a warning) and is left for the caller.
void readEnvelopeBlock(FILE* file, LwChannelEnvelope* envelope)
{
    char line[lineSize];
    long start = 0;
    if (!readLightWaveLine(file, line, sizeof line, &start) || !startsWord(skipBlanks(line), "{")) {
        warnAt(file, start, "'{ Envelope' attendu");
        std::fseek(file, start, SEEK_SET);
        return;
    }
    const long blockStart = start;
    long announced = -1;
    int32_t read = 0;
    bool closed = false, full = false;
    while (readLightWaveLine(file, line, sizeof line, &start)) {
        const char* s = skipBlanks(line);
        double v[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};  // a short "Key" leaves the rest 0
        if (*s == '}') {
            closed = true;
            break;
        } else if (startsWord(s, "Key")) {
            ++read;
            if (readNumbers(s + 3, v, 9) < 3) {
                warnAt(file, start, "cle incomplete, ignoree");
                continue;
            }
            LwChannelKey key{v[1], v[0], lwSpanTcb, {0, 0, 0, 0, 0, 0}};
            key.shape = (v[2] >= 0 && v[2] < lwSpanShapeCount) ? static_cast<LwSpanShape>(v[2]) : static_cast<LwSpanShape>(-1);
            for (int i = 0; i < 6; ++i) key.p[i] = static_cast<float>(std::isfinite(v[3 + i]) ? v[3 + i] : 0.0);
            if (!full && !lwEnvelopeAddKey(envelope, key)) {
                warnAt(file, start, "trop de cles, les suivantes ignorees");
                full = true;
            }
        } else if (startsWord(s, "Behaviors")) {
            if (readNumbers(s + 9, v, 2) == 2 && std::fabs(v[0]) < 100 && std::fabs(v[1]) < 100) {
                envelope->pre = static_cast<LwBehaviour>(static_cast<int32_t>(v[0]));
                envelope->post = static_cast<LwBehaviour>(static_cast<int32_t>(v[1]));
            } else {
                warnAt(file, start, "comportements illisibles");
            }
        } else if (announced < 0 && readNumbers(s, v, 1) == 1) {
            announced = (v[0] >= 0 && v[0] < 1e15) ? static_cast<long>(v[0]) : 0;
        } else if (*s) {
            warnAt(file, start, "'{' sans '}'");
            std::fseek(file, start, SEEK_SET);
            break;
        }
    }
    if (!closed && std::feof(file)) warnAt(file, blockStart, "'{' sans '}'");
    if (announced >= 0 && announced != read) {
        char what[96];
        std::snprintf(what, sizeof what, "%ld cles annoncees, %d lues", announced, read);
        warnAt(file, blockStart, what);
    }
    reportFixes(file, blockStart, lwEnvelopeTidy(envelope));
}

}  // namespace

void warnLightWaveLine(FILE* file, long offset, const char* what)
{
    warnAt(file, offset, what);
}

bool readLightWaveLine(FILE* file, char* line, size_t size, long* start)
{
    if (size == 0) return false;
    const long at = std::ftell(file);
    if (start) *start = at;
    // The stream is the loader's alone: the unlocked read halves a long
    // scene's load, which is mostly this loop.
    int c = getc_unlocked(file);
    line[0] = 0;
    if (c == EOF) return false;
    size_t length = 0;
    bool cut = false;
    for (; c != EOF && c != '\n' && c != '\r'; c = getc_unlocked(file)) {
        if (length + 1 < size) line[length++] = static_cast<char>(c);
        else cut = true;
    }
    if (c == '\r') {
        c = getc_unlocked(file);
        if (c != '\n' && c != EOF) std::ungetc(c, file);
    }
    line[length] = 0;
    if (cut) warnAt(file, at, "ligne trop longue, coupee");
    return true;
}

int32_t readRestOfLine(FILE* file, char* buffer, int32_t size)
{
    if (!buffer || size < 1) return 0;
    readLightWaveLine(file, buffer, static_cast<size_t>(size));
    const size_t from = std::strspn(buffer, " \t");
    size_t length = std::strlen(buffer + from);
    while (length > 0 && (buffer[from + length - 1] == ' ' || buffer[from + length - 1] == '\t')) --length;
    std::memmove(buffer, buffer + from, length);
    buffer[length] = 0;
    return static_cast<int32_t>(length);
}

void beginLightWaveMotions()
{
    warningsLeft = maxWarnings;
}

LwSceneMotion::LwSceneMotion()
{
    for (LwChannelEnvelope& e : channels) e = lwEnvelopeEmpty();
}

LwSceneMotion::~LwSceneMotion()
{
    for (LwChannelEnvelope& e : channels) freeLwEnvelope(&e);
}

bool readEnvelopeMotion(FILE* file, LwSceneMotion* motion)
{
    char line[lineSize];
    long start = 0;
    readLightWaveLine(file, line, sizeof line, &start);  // the rest of "NumChannels n"
    double announced = 0;
    if (readNumbers(line, &announced, 1) != 1 || announced < 0 || announced > maxChannels)
        warnAt(file, start, "nombre de canaux invalide");
    int32_t found = 0;
    while (readLightWaveLine(file, line, sizeof line, &start)) {
        const char* s = skipBlanks(line);
        if (!*s) continue;
        if (!startsWord(s, "Channel")) {
            std::fseek(file, start, SEEK_SET);
            break;
        }
        double index = -1;
        readNumbers(s + 7, &index, 1);
        LwChannelEnvelope dropped = lwEnvelopeEmpty();
        const bool played = index >= 0 && index < playedChannels && motion->channels[static_cast<int>(index)].count == 0;
        if (!played) warnAt(file, start, "canal hors des neuf ou repete, ignore");
        readEnvelopeBlock(file, played ? &motion->channels[static_cast<int>(index)] : &dropped);
        freeLwEnvelope(&dropped);
        if (++found > maxChannels) {
            warnAt(file, start, "trop de canaux");
            break;
        }
    }
    return found > 0;
}

bool readInterimMotion(FILE* file, LwSceneMotion* motion)
{
    int32_t channels = 0;
    long start = std::ftell(file);
    if (!readInteger(file, &channels) || channels < 1 || channels > maxChannels) {
        warnAt(file, start, "nombre de canaux invalide");
        return false;
    }
    for (int32_t c = 0; c < channels; ++c) {
        LwChannelEnvelope dropped = lwEnvelopeEmpty();
        LwChannelEnvelope* envelope = c < playedChannels ? &motion->channels[c] : &dropped;
        int32_t keys = 0;
        start = std::ftell(file);
        bool ok = readInteger(file, &keys) && keys >= 0;
        // Rows of value, time, span, tension, continuity, bias. The rows say
        // nothing of tangents, so only linear (3) and stepped (4) spans are
        // told apart; every other span is TCB.
        for (int32_t k = 0; ok && k < keys; ++k) {
            float row[6];
            for (float& x : row) ok = ok && readReal(file, &x);
            if (!ok) break;
            const float span = row[2];
            LwChannelKey key{row[1], row[0], span == 3.0f ? lwSpanLinear : span == 4.0f ? lwSpanStepped : lwSpanTcb,
                              {row[3], row[4], row[5], 0, 0, 0}};
            if (!lwEnvelopeAddKey(envelope, key)) ok = false;
        }
        if (!ok) warnAt(file, start, "cles du canal illisibles");
        reportFixes(file, start, lwEnvelopeTidy(envelope));
        freeLwEnvelope(&dropped);
        if (!ok) return c > 0;
    }
    // The behaviours follow the block: a pre and a post for each channel.
    start = std::ftell(file);
    char word[lightWaveWordSize];
    if (readWord(file, word, sizeof word) && std::strcmp(word, "Pre/PostBehavior") == 0) {
        for (int32_t c = 0; c < channels; ++c) {
            int32_t pre = 0, post = 0;
            if (!readInteger(file, &pre) || !readInteger(file, &post)) break;
            if (c >= playedChannels) continue;
            motion->channels[c].pre = static_cast<LwBehaviour>(pre);
            motion->channels[c].post = static_cast<LwBehaviour>(post);
            reportFixes(file, start, lwEnvelopeTidy(&motion->channels[c]));
        }
    } else {
        std::fseek(file, start, SEEK_SET);
    }
    return true;
}
