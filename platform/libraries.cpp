// Pins the shared libraries loaded so far (the GL driver among them) so that
// they stay mapped until the process ends.
#include "platform.h"

#include <dlfcn.h>
#include <link.h>

static int pinLibrary(struct dl_phdr_info* info, size_t, void*)
{
    if (info->dlpi_name && info->dlpi_name[0]) {
        // RTLD_NOLOAD: only what is already there; RTLD_NODELETE: never unmapped.
        void* handle = dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        if (handle) dlclose(handle);
    }
    return 0;
}

void keepLoadedLibraries()
{
    dl_iterate_phdr(pinLibrary, nullptr);
}
