// Loads argv[1] through LoadLibraryA and prints the file that was loaded, or the error.
#include <stdio.h>

#include <string>

#include "tests/support/process_probe.h"
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
    const std::string path = loadedModulePath(module);
    if (path.empty()) {
        return 2;
    }
    printf("%s\n", path.c_str());
    return 0;
}
