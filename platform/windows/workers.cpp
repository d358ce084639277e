// Worker processes are not made on Windows yet: a parallel run's lines fail with the reason.
#include "platform/workers.h"

#include <errno.h>

WORKER_T *startWorker(const char *const *arguments, int count) {
    (void)arguments;
    (void)count;
    errno = ENOSYS;
    return nullptr;
}

int sendToWorker(WORKER_T *worker, const void *data, size_t size) {
    (void)worker;
    (void)data;
    (void)size;
    return 0;
}

int waitForWorkers(WORKER_T *const *workers, int count, int timeoutMs) {
    (void)workers;
    (void)count;
    (void)timeoutMs;
    return -1;
}

long receiveFromWorker(WORKER_T *worker, void *buffer, size_t size) {
    (void)worker;
    (void)buffer;
    (void)size;
    return 0;
}

uint64_t workerStreamSize(WORKER_T *worker, WORKER_STREAM_T stream) {
    (void)worker;
    (void)stream;
    return 0;
}

size_t readWorkerStream(WORKER_T *worker, WORKER_STREAM_T stream, uint64_t from, uint64_t to,
                        char *buffer) {
    (void)worker;
    (void)stream;
    (void)from;
    (void)to;
    (void)buffer;
    return 0;
}

void stopWorker(WORKER_T *worker, WORKER_END_T *end) {
    (void)worker;
    if (end != nullptr) {
        end->crashed = false;
        end->description[0] = '\0';
    }
}

void killWorkersNow(void) {}

uintptr_t openAnswerChannel(const char *text) {
    (void)text;
    return 0;
}

int sendAnswer(uintptr_t channel, const void *data, size_t size) {
    (void)channel;
    (void)data;
    (void)size;
    return 0;
}

int receiveRequest(void *buffer, size_t size) {
    (void)buffer;
    (void)size;
    return 0;
}

uint64_t standardStreamPosition(WORKER_STREAM_T stream) {
    (void)stream;
    return 0;
}

void endWithStarter(void) {}
