// Process-level calls that differ between platforms: environment and the run lock.
#ifndef PLATFORM_PROCESS_H
#define PLATFORM_PROCESS_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// Sets the environment variable name to value unless it is set already.
void setEnvironmentDefault(const char *name, const char *value);

// Takes an exclusive lock on the file at path (created when missing, never truncated) for the
// rest of the process, waiting while another process holds it. 1 when held.
int lockFileForProcess(const char *path);

// From now on Ctrl-C, a termination request and a hang-up end the process at once with status
// 128 + the signal's number, after calling onStop (which must be safe in a signal handler:
// removing a file is). Replaces handlers that libraries such as SDL installed.
void installStopHandlers(void (*onStop)(void));

// Between these two a stop request waits, and is acted on at the release: for steps that a
// stop must not cut in two.
void holdStopRequests(void);
void releaseStopRequests(void);

// As lockFileForProcess, but only for a regular file: a symbolic link at path is never
// followed and nothing else there is opened or waited on. 1 when held.
int lockRegularFileForProcess(const char *path);

// 1 when a lock of lockFileForProcess is held on the file at path, by any process (this one
// included); 0 when it is free or there is no file there. Never waits.
int isFileLockedForProcess(const char *path);

// A thread of the process that runs the tasks handed to it, one at a time, until the process
// ends. It takes none of the stop signals (they reach the threads that were there before), holds
// nothing between tasks, and never keeps the process from ending: exit ends it where it waits.
struct TASK_THREAD_T;

// Starts such a thread, idle until its first task. Null when no thread can be started; the caller
// then does the work itself.
TASK_THREAD_T *startTaskThread(void);

// Has the thread run run(context) and returns at once. The task handed before must have been
// waited for.
void handTask(TASK_THREAD_T *thread, void (*run)(void *context), void *context);

// Waits until the task handed last has returned (at once when there is none); all it wrote is
// then seen by the caller.
void waitForTask(TASK_THREAD_T *thread);

// Milliseconds and nanoseconds on a clock that only runs forward, from an arbitrary start.
uint64_t monotonicMilliseconds(void);
uint64_t monotonicNanoseconds(void);

// The most memory this process has held at once, and the most any of its ended children held
// (0 where the system cannot tell), in bytes.
uint64_t peakMemory(void);
uint64_t peakChildMemory(void);

// This process's number.
unsigned long processId(void);

// The file the running program was started from; malloc'd, null when unknown.
char *runningProgramPath(void);

// Writes size bytes to stream exactly as they are, with no line ends translated: for text that
// another process wrote to its own stream, translated once already.
void writeUntranslated(FILE *stream, const char *data, size_t size);

// Which kind of system this is, for files that must not travel between kinds.
const char *platformName(void);

// Asks the allocator to keep blocks of up to largest bytes, once freed, for the next ones of
// their size instead of handing them back to the system: a picture's pixels are freed just
// before blocks of the same size are made, and fresh memory costs a page fault per page.
void reuseLargeBlocks(size_t largest);

#endif
