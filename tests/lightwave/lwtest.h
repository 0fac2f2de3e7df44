// Helpers for the LightWave reader tests: objects and chunks read from bytes
// made by the writer.
#pragma once
#include <cstdio>
#include <cstring>
#include <vector>

#include "lightwave.h"
#include "lwread.h"
#include "lwwriter.h"

// A read-only stream over a copy of the bytes, closed with the object.
class MemFile {
public:
    explicit MemFile(const std::vector<unsigned char>& bytes) : data(bytes)
    {
        if (data.empty()) data.push_back(0), empty = true;
        file = fmemopen(data.data(), empty ? 0 : data.size(), "rb");
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
    long position() const { return std::ftell(file); }
    std::vector<unsigned char> data;
    FILE* file;
    bool empty = false;
};

inline LwObject* loadBytes(const std::vector<unsigned char>& bytes, uint32_t* failId = nullptr,
                           int32_t* failPos = nullptr)
{
    MemFile m(bytes);
    return readLwObjectStream(m.take(), "test", failId, failPos);
}

// The data of a chunk without its ID and size: what the chunk readers get.
inline std::vector<unsigned char> chunkData(const LwWriter& w)
{
    return std::vector<unsigned char>(w.bytes.begin() + 8, w.bytes.end());
}

inline std::string idText(uint32_t id)
{
    char s[5] = {char(id >> 24), char(id >> 16), char(id >> 8), char(id), 0};
    return s;
}

// An object: FORM LWO2 around the chunks written by `body`.
template <class F> std::vector<unsigned char> lwo2(F body)
{
    LwWriter w;
    size_t form = w.beginForm("LWO2");
    body(w);
    w.endForm(form);
    return w.bytes;
}
