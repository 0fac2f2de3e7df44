// The layered form of LightWave 5.5 (LWLO): the LWOB chunks, where each LAYR
// starts a new layer whose PNTS and POLS follow it.
#include <cstdlib>

#include "lwread.h"

// LAYR: number (U2), flags (U2), name (S0); no pivot and no parent in this form.
static int readLwloLayer(FILE* file, int32_t size, LwObject* object, LwLayer** current)
{
    LwLayer* layer = *current;
    if (object->layerCount > 0) {
        layer = static_cast<LwLayer*>(std::calloc(1, sizeof(LwLayer)));
        if (!layer) return refuse(LW_NO_MEMORY);
        layer->parent = -1;
        listAppend(&object->layers, layer);
        *current = layer;
    }
    ++object->layerCount;
    setReadCount(0);
    layer->number = int32_t(readU2(file));
    layer->flags = int32_t(readU2(file));
    std::free(layer->name);
    layer->name = readS0(file);
    if (readCount() < 0 || readCount() > size) return refuse("layer header runs past its chunk");
    return skipBytes(file, size - readCount());
}

int readLwloChunk(FILE* file, uint32_t id, int32_t size, LwObject* object, LwLayer** current)
{
    if (id == lwId('L', 'A', 'Y', 'R')) return readLwloLayer(file, size, object, current);
    return readLwobChunk(file, id, size, object, current);
}
