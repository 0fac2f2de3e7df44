// Helpers for the LightWave reader tests: objects read from bytes made by the writer.
#pragma once
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "lightwave.h"
#include "lwread.h"
#include "lwwriter.h"

typedef std::vector<unsigned char> Bytes;

// A read-only stream over a copy of the bytes, closed with the object unless taken.
struct MemFile {
    explicit MemFile(const Bytes& bytes) : data(bytes)
    {
        data.push_back(0);  // fmemopen needs a buffer even for nothing
        file = fmemopen(data.data(), bytes.size(), "rb");
    }
    ~MemFile()
    {
        if (file) std::fclose(file);
    }
    FILE* take()
    {
        FILE* f = file;
        file = nullptr;
        return f;
    }
    Bytes data;
    FILE* file;
};

inline LwObject* loadBytes(const Bytes& bytes, uint32_t* failId = nullptr, int32_t* failPos = nullptr)
{
    MemFile m(bytes);
    return readLwObjectStream(m.take(), "test", failId, failPos);
}

inline std::string idText(uint32_t id)
{
    char s[5] = {char(id >> 24), char(id >> 16), char(id >> 8), char(id), 0};
    return s;
}

// An LWO2 object around the chunks written by `body`.
template <class F> Bytes lwo2(F body)
{
    LwWriter w;
    size_t mark = w.beginForm("LWO2");
    body(w);
    w.endForm(mark);
    return w.bytes;
}
