// Words and numbers of the text scene formats.
#include "scenefiles.h"


static bool isBlank(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool readWord(FILE* file, char* word, size_t size)
{
    if (size == 0) return false;
    word[0] = 0;
    int c;
    do {
        c = std::getc(file);
        if (c == EOF) return false;
    } while (isBlank(c));

    size_t length = 0;
    while (c != EOF && !isBlank(c)) {
        if (length < size - 1) word[length++] = static_cast<char>(c);
        c = std::getc(file);
    }
    // The blank that ended the word stays in the file: a line reader after
    // a word at the end of its line then finds that line's end, not the next.
    if (c != EOF) std::ungetc(c, file);
    word[length] = 0;
    return true;
}

bool readInteger(FILE* file, int32_t* value)
{
    int v = 0;
    if (std::fscanf(file, "%i", &v) != 1) return false;
    *value = v;
    return true;
}

bool readReal(FILE* file, float* value)
{
    float v = 0;
    if (std::fscanf(file, "%f", &v) != 1) return false;
    *value = v;
    return true;
}

int32_t frameFromReal(float value)
{
    if (!(value > -1.0f)) return -1;  // NaN too
    if (value >= static_cast<float>(maxKeyFrame) + 1.0f) return maxKeyFrame + 1;
    return static_cast<int32_t>(value);
}
