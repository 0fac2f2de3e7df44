// The engine's diagnostics: the toolkit's channels with the engine's name
// put directly in front of the message.
#include "engine.h"

#include <cstdlib>
#include <cstring>

#include "toolkit.h"

static const char enginePrefix[] = "Vordelle3DV4.1";

// A buffer exactly as long as prefix + message, so no message is ever cut.
// Null when memory ran out; the caller then passes the bare message on.
static char* prefixed(const char* message)
{
    if (!message) message = "";
    size_t prefixLength = sizeof(enginePrefix) - 1;
    size_t messageLength = std::strlen(message);
    char* buffer = static_cast<char*>(std::calloc(prefixLength + messageLength + 1, 1));
    if (!buffer) return nullptr;
    std::memcpy(buffer, enginePrefix, prefixLength);
    std::memcpy(buffer + prefixLength, message, messageLength);
    return buffer;
}

void Scene::reportFatal(const char* message)
{
    char* buffer = prefixed(message);
    fatalError(buffer ? buffer : (message ? message : enginePrefix));
}

void Scene::reportWarning(const char* message)
{
    char* buffer = prefixed(message);
    warning(buffer ? buffer : (message ? message : enginePrefix));
    std::free(buffer);
}

void Scene::reportInfo(const char* message)
{
    char* buffer = prefixed(message);
    info(buffer ? buffer : (message ? message : enginePrefix));
    std::free(buffer);
}
