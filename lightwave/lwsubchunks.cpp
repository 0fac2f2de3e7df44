// The sub-chunk loop shared by surfaces, texture blocks, mappings, shaders,
// clips and envelopes.
#include "lwread.h"

int readSubChunks(FILE* file, long start, int32_t size, LwSubChunkReader reader, void* record)
{
    const char* pastRecord = "sub-chunk runs past its record";
    if (size < 0) return refuse(pastRecord);
    for (;;) {
        long used = std::ftell(file) - start;
        if (used < 0 || used > size) return refuse(pastRecord);
        if (used == size) {
            setReadCount(int32_t(used));
            return 1;
        }
        setReadCount(0);
        uint32_t id = readU4(file);
        int32_t subSize = int32_t(readU2(file));
        if (readCount() != 6) return 0;
        subSize += subSize & 1;
        // A sub-chunk reaching past its record is refused before it is read.
        if (subSize > size - used - 6) return refuse(pastRecord);
        setReadCount(0);
        if (!reader(file, id, subSize, record)) return 0;
        int32_t n = readCount();
        if (n < 0 || n > subSize) return refuse("field runs past its sub-chunk");
        if (n < subSize && !skipBytes(file, subSize - n)) return 0;
    }
}
