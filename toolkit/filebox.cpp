// File box: asks for one or several files and hands the chosen paths out
// one at a time, sorted, with slashes as separators.
#include "toolkit.h"

#include <cstring>

#include "platform.h"

static char selectionList[10240];   // chosen paths, each followed by a tab
static size_t selectionPosition;    // where the next entry starts
static char startDirectory[1024];
static char fileNameBuffer[1024];

int compareNames(const char* a, const char* b)
{
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    while (*x && *x == *y) {
        ++x;
        ++y;
    }
    return static_cast<int>(*x) - static_cast<int>(*y);
}

// Cuts the next tab-separated entry out of the list (the tab becomes the end
// of the text) and moves past it; empty entries are skipped.
static char* nextSelection()
{
    while (selectionPosition < sizeof selectionList && selectionList[selectionPosition] == '\t') ++selectionPosition;
    if (selectionPosition >= sizeof selectionList || selectionList[selectionPosition] == 0) return nullptr;
    char* entry = selectionList + selectionPosition;
    char* tab = std::strchr(entry, '\t');
    if (tab) {
        *tab = 0;
        selectionPosition = static_cast<size_t>(tab - selectionList) + 1;
    } else {
        selectionPosition += std::strlen(entry);
    }
    return entry;
}

// Appends text to the list when it fits (leaving room for the end of text).
static bool appendToSelection(size_t* length, const char* text, size_t count)
{
    if (*length + count > sizeof selectionList - 1) return false;
    std::memcpy(selectionList + *length, text, count);
    *length += count;
    selectionList[*length] = 0;
    return true;
}

static void collectMultipleChoice(size_t nameOffset)
{
    info("Multiselection in filebox.");
    info("Tri du resultat=");
    const int maxNames = sizeof fileNameBuffer / 2;  // a name and its zero take two bytes at least
    const char* names[maxNames];
    int count = 0;
    const char* end = fileNameBuffer + sizeof fileNameBuffer;
    for (const char* p = fileNameBuffer + nameOffset; p < end && *p && count < maxNames; p += std::strlen(p) + 1) {
        names[count++] = p;
        info(p);
    }
    // Few names: a plain insertion sort.
    for (int i = 1; i < count; ++i) {
        const char* name = names[i];
        int j = i;
        for (; j > 0 && compareNames(names[j - 1], name) > 0; --j) names[j] = names[j - 1];
        names[j] = name;
    }
    const char* directory = fileNameBuffer;
    size_t directoryLength = std::strlen(directory);
    size_t length = 0;
    selectionList[0] = 0;
    for (int i = 0; i < count; ++i) {
        size_t nameLength = std::strlen(names[i]);
        if (length + directoryLength + 1 + nameLength + 1 > sizeof selectionList - 1) {
            warning("Depassement de buffer dans l'algo!!!");
            break;
        }
        appendToSelection(&length, directory, directoryLength);
        appendToSelection(&length, "\\", 1);
        appendToSelection(&length, names[i], nameLength);
        appendToSelection(&length, "\t", 1);
    }
    info(selectionList);
}

char* selectFiles(const char* title)
{
    if (!title) return nextSelection();

    std::strcpy(fileNameBuffer, "default.bmp");
    GetCurrentDirectoryA(sizeof startDirectory, startDirectory);

    OPENFILENAMEA box = {};
    box.hwndOwner = GetForegroundWindow();
    box.lpstrFilter = "Fichiers Vordelle\0*.lws;*.lwo;*.pof\0";
    box.lpstrCustomFilter = nullptr;
    box.lpstrInitialDir = startDirectory;
    box.lpstrTitle = title;
    box.lpstrFile = fileNameBuffer;
    box.nMaxFile = sizeof fileNameBuffer;
    box.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY | OFN_NOREADONLYRETURN | OFN_CREATEPROMPT;
    // The answer is not looked at: after a cancel the buffer still holds
    // "default.bmp", and that is the choice.
    GetOpenFileNameA(&box);
    // Whatever the dialog wrote, the buffer ends in an empty name.
    fileNameBuffer[sizeof fileNameBuffer - 2] = 0;
    fileNameBuffer[sizeof fileNameBuffer - 1] = 0;

    size_t offset = box.nFileOffset < sizeof fileNameBuffer ? box.nFileOffset : 0;
    if (std::strlen(fileNameBuffer) >= offset) {
        size_t length = 0;
        selectionList[0] = 0;
        appendToSelection(&length, fileNameBuffer, std::strlen(fileNameBuffer));
    } else {
        collectMultipleChoice(offset);
    }
    fixPathSeparators(selectionList);
    // The dialog may have moved the current directory.
    SetCurrentDirectoryA(startDirectory);

    selectionPosition = 0;
    return nextSelection();
}
