#include "tests/support/process_probe.h"

#include <dlfcn.h>
#include <link.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

namespace {

struct rlimit g_file_size_before;
void (*g_file_size_handler_before)(int) = nullptr;
bool g_file_size_limited = false;

}  // namespace

std::string loadedModulePath(const void *module) {
    struct link_map *map = nullptr;
    if (module == nullptr || dlinfo(const_cast<void *>(module), RTLD_DI_LINKMAP, &map) != 0) {
        return std::string();
    }
    char *real = realpath(map->l_name, nullptr);
    const std::string path = real != nullptr ? real : map->l_name;
    free(real);
    return path;
}

void *findLoadedFunction(const char *name) {
    return dlsym(RTLD_DEFAULT, name);
}

long peakMemoryKilobytes() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void setEnvironment(const char *name, const char *value) {
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

bool limitFileSize(long bytes) {
    if (bytes < 0) {
        if (g_file_size_limited) {
            setrlimit(RLIMIT_FSIZE, &g_file_size_before);
            signal(SIGXFSZ, g_file_size_handler_before);
            g_file_size_limited = false;
        }
        return true;
    }
    if (!g_file_size_limited) {
        getrlimit(RLIMIT_FSIZE, &g_file_size_before);
        g_file_size_handler_before = signal(SIGXFSZ, SIG_IGN);
        g_file_size_limited = true;
    }
    struct rlimit limit = g_file_size_before;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}
