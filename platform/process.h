// Process-level calls that differ between platforms: environment and the run lock.
#ifndef PLATFORM_PROCESS_H
#define PLATFORM_PROCESS_H

// Sets the environment variable name to value unless it is set already.
void setEnvironmentDefault(const char *name, const char *value);

// Takes an exclusive lock on the file at path (created when missing, never truncated) for the
// rest of the process, waiting while another process holds it. 1 when held.
int lockFileForProcess(const char *path);

#endif
