// Worker processes: copies of the running program that take requests on their standard input
// and answer on a channel of their own, while what they write to standard output and standard
// error goes to two files the starter reads back. A worker that dies takes only itself with it.
#ifndef PLATFORM_WORKERS_H
#define PLATFORM_WORKERS_H

#include <stddef.h>
#include <stdint.h>

// A started worker, as its starter sees it.
struct WORKER_T;

enum WORKER_STREAM_T { WORKER_OUTPUT = 0, WORKER_ERROR = 1 };

// How a worker ended, in words: "signal 11, Segmentation fault", "exit status 3", or a Windows
// exception code. crashed is set for a fault in the program (a crash rather than a request).
struct WORKER_END_T {
    bool crashed;
    char description[96];
};

// Starts the running program again with the count arguments (after the program name), plus a
// last one naming the worker's answer channel, for openAnswerChannel. Null with errno set.
WORKER_T *startWorker(const char *const *arguments, int count);

// Sends size bytes to the worker's standard input. 1 when all were taken; 0 when the worker no
// longer reads (never a signal for it).
int sendToWorker(WORKER_T *worker, const void *data, size_t size);

// Waits until a worker has something to read or has ended, or until timeoutMs passes (negative:
// no limit). The index of such a worker, or -1 when the time passed first.
int waitForWorkers(WORKER_T *const *workers, int count, int timeoutMs);

// Up to size bytes of the worker's answers, without waiting: the number read, 0 when its
// channel is closed (it ended), -1 when nothing has come yet.
long receiveFromWorker(WORKER_T *worker, void *buffer, size_t size);

// How many bytes the worker has written to the stream so far.
uint64_t workerStreamSize(WORKER_T *worker, WORKER_STREAM_T stream);

// Reads bytes from..to of what the worker wrote to the stream into buffer (to - from bytes);
// the number read.
size_t readWorkerStream(WORKER_T *worker, WORKER_STREAM_T stream, uint64_t from, uint64_t to,
                        char *buffer);

// Tells the worker that no more requests come (it then ends by itself), without waiting.
void askWorkerToEnd(WORKER_T *worker);

// Ends the worker: one told to end gets a moment to do so, then it is ended at once. Waits for
// it, says how it ended (end may be null) and releases everything it held.
void stopWorker(WORKER_T *worker, WORKER_END_T *end);

// Ends every worker still running, at once, and waits until they have gone; safe in a signal
// handler.
void killWorkersNow(void);

// In a worker: the answer channel its starter named in text; 0 when text names none.
uintptr_t openAnswerChannel(const char *text);

// In a worker: sends size bytes on the answer channel; 1 when sent.
int sendAnswer(uintptr_t channel, const void *data, size_t size);

// In a worker: reads exactly size bytes of the next request; 0 when the starter has gone.
int receiveRequest(void *buffer, size_t size);

// In a worker: how far its standard output or error has been written (after a flush).
uint64_t standardStreamPosition(WORKER_STREAM_T stream);

// In a worker: the worker ends when its starter does, however the starter ends.
void endWithStarter(void);

#endif
