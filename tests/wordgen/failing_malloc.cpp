// Linked into a test copy of wordgen with -Wl,--wrap=malloc: only wordgen's own calls come
// here, so a test can make exactly one of them fail.
#include <stddef.h>
#include <stdlib.h>

extern "C" void *__real_malloc(size_t size);

extern "C" void *__wrap_malloc(size_t size) {
    static long calls = 0;
    static const char *failAt = getenv("WORDGEN_TEST_FAIL_MALLOC");
    ++calls;
    if (failAt != nullptr && atol(failAt) == calls) {
        return nullptr;
    }
    return __real_malloc(size);
}
