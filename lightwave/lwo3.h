// The LWO3 form's nested chunks, read from a form held in memory: every chunk
// has an ID and a U4 size, a FORM's body starts with its type.
#pragma once
#include "lwread.h"

// A big-endian U4 at p (the caller has checked the four bytes are there).
inline uint32_t lwo3U4(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

struct Lwo3Span {
    const unsigned char* at;
    const unsigned char* end;
};

struct Lwo3Chunk {
    uint32_t id;           // the form's type for a FORM
    bool form;
    Lwo3Span body;         // after the type for a FORM
    const unsigned char* at;  // the chunk's header
};

// The next chunk of a span: 1, 0 at its end, or -1 with a refusal (reason and
// position set) for a chunk that does not fit. Moves the span past it.
int lwo3Next(Lwo3Span* span, Lwo3Chunk* chunk);
// The first chunk (or form) of that ID among the span's; a bad chunk ends the search.
bool lwo3Find(Lwo3Span span, uint32_t id, bool form, Lwo3Chunk* chunk);
// Refuses with the file position of `at` inside the form being read.
int lwo3Refuse(const unsigned char* at, const char* reason);
// A texture block (the body of a FORM BLOK) as an LWO2 texture, null for a
// kind the reader does not know; 0 for a block it refuses (see lwFailReason).
int lwo3ReadBlock(Lwo3Span block, LwTexture** texture);

// Takes the look of a surface from its node graph (the body of FORM NODS).
// A graph it does not understand is a warning, the surface keeps what it has.
int readLwNodes(Lwo3Span nodes, LwSurface* surface, LwObject* object);
