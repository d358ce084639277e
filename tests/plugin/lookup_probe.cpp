// Loads argv[1] through LoadLibraryA and prints the file that was loaded, or the error.
#include <dlfcn.h>
#include <link.h>
#include <stdio.h>
#include <stdlib.h>

#include "winlayer/windows_layer.h"

int main(int argc, char **argv) {
    if (argc < 2) {
        return 2;
    }
    HMODULE module = LoadLibraryA(argv[1]);
    if (module == nullptr) {
        printf("error %u\n", static_cast<unsigned>(GetLastError()));
        return 1;
    }
    struct link_map *map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0) {
        return 2;
    }
    char *real = realpath(map->l_name, nullptr);
    printf("%s\n", real != nullptr ? real : map->l_name);
    free(real);
    return 0;
}
