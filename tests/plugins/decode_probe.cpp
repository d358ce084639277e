// Decodes one picture through one plug-in, from memory as the fuzz targets do, and prints the
// result code and how far the process's peak memory rose during the call, in KB. Run as a
// child so that nothing else in the test process counts.
#include <stdio.h>

#include "plugin_kit/include/picture_plugin.h"
#include "tests/support/process_probe.h"
#include "tests/support/test_files.h"

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: decode_probe PLUGIN PICTURE\n");
        return 2;
    }
    HMODULE module = LoadLibraryA(argv[1]);
    GET_PICTURE_T getPicture =
        module != nullptr ? reinterpret_cast<GET_PICTURE_T>(reinterpret_cast<void (*)(void)>(
                                GetProcAddress(module, "GetPicture")))
                          : nullptr;
    if (getPicture == nullptr) {
        fprintf(stderr, "cannot load %s\n", argv[1]);
        return 2;
    }
    std::vector<uint8_t> bytes = readBytes(argv[2]);
    long before = peakMemoryKilobytes();
    HANDLE info = nullptr;
    HANDLE pixels = nullptr;
    int code = getPicture(reinterpret_cast<LPSTR>(bytes.data()), static_cast<long>(bytes.size()),
                          PLUGIN_INPUT_MEMORY, &info, &pixels, nullptr, 0);
    long after = peakMemoryKilobytes();
    LocalFree(info);
    LocalFree(pixels);
    printf("%d %ld\n", code, after - before);
    return 0;
}
