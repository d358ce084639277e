// What a test program can learn about its own process: the libraries it has loaded and its
// peak memory.
#ifndef TESTS_SUPPORT_PROCESS_PROBE_H
#define TESTS_SUPPORT_PROCESS_PROBE_H

#include <string>

// The absolute path of the file a module handle (from LoadLibraryA) was loaded from, links
// resolved; empty when unknown.
std::string loadedModulePath(const void *module);

// The address of the function exported under name by the program or any library it has
// loaded; null when none has it.
void *findLoadedFunction(const char *name);

// The most memory the process has held in RAM so far, in kilobytes.
long peakMemoryKilobytes();

// Sets the environment variable name to value for this process and the libraries in it; a null
// value removes it.
void setEnvironment(const char *name, const char *value);

// Limits the size of the files this process writes, so that a write past bytes fails (and is no
// signal); a negative bytes lifts the limit. False where there is no such limit (Windows).
bool limitFileSize(long bytes);

#endif
