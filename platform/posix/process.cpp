#include "platform/process.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

void (*volatile g_on_stop)(void) = nullptr;

// The signal mask from before holdStopRequests.
sigset_t g_mask_before_hold;

void stopSignals(sigset_t *signals) {
    sigemptyset(signals);
    sigaddset(signals, SIGINT);
    sigaddset(signals, SIGTERM);
    sigaddset(signals, SIGHUP);
}

// Waits for the exclusive lock on descriptor, which then stays open, holding it, for the rest
// of the process. 1 when held; 0 with the descriptor closed.
int holdLock(int descriptor) {
    while (flock(descriptor, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(descriptor);
            return 0;
        }
    }
    return 1;
}

void onStopSignal(int signalNumber) {
    void (*onStop)(void) = g_on_stop;
    if (onStop != nullptr) {
        onStop();
    }
    _exit(128 + signalNumber);
}

}  // namespace

void setEnvironmentDefault(const char *name, const char *value) {
    setenv(name, value, 0);
}

int lockFileForProcess(const char *path) {
    // No truncation here: the file may hold another run's data until we own the lock. flock
    // belongs to this descriptor alone, which stays open for the rest of the process, so
    // truncating and closing the file through other descriptors keeps the lock.
    const int descriptor = open(path, O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    return descriptor >= 0 ? holdLock(descriptor) : 0;
}

void installStopHandlers(void (*onStop)(void)) {
    g_on_stop = onStop;
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    const int signals[] = {SIGINT, SIGTERM, SIGHUP};
    for (int signalNumber : signals) {
        sigaddset(&action.sa_mask, signalNumber);
    }
    for (int signalNumber : signals) {
        sigaction(signalNumber, &action, nullptr);
    }
}

void holdStopRequests(void) {
    sigset_t stops;
    stopSignals(&stops);
    sigprocmask(SIG_BLOCK, &stops, &g_mask_before_hold);
}

void releaseStopRequests(void) {
    sigprocmask(SIG_SETMASK, &g_mask_before_hold, nullptr);
}

int isFileLockedForProcess(const char *path) {
    const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return 0;
    }
    // A second open file description conflicts with every other one, our own included.
    const int locked = flock(descriptor, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 1 : 0;
    close(descriptor);
    return locked;
}

int lockRegularFileForProcess(const char *path) {
    const int descriptor =
        open(path, O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return 0;
    }
    struct stat info;
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(descriptor);
        return 0;
    }
    return holdLock(descriptor);
}

struct TASK_THREAD_T {
    pthread_mutex_t mutex;
    pthread_cond_t handed;       // a task waits to be run
    pthread_cond_t finished;     // the task has returned
    void (*run)(void *context);  // the task handed and not yet returned; null when idle
    void *context;
};

namespace {

void *taskThreadMain(void *argument) {
    TASK_THREAD_T *thread = static_cast<TASK_THREAD_T *>(argument);
    pthread_mutex_lock(&thread->mutex);
    for (;;) {
        while (thread->run == nullptr) {
            pthread_cond_wait(&thread->handed, &thread->mutex);
        }
        void (*run)(void *context) = thread->run;
        void *context = thread->context;
        pthread_mutex_unlock(&thread->mutex);
        run(context);
        pthread_mutex_lock(&thread->mutex);
        thread->run = nullptr;
        pthread_cond_signal(&thread->finished);
    }
    return nullptr;
}

}  // namespace

TASK_THREAD_T *startTaskThread(void) {
    TASK_THREAD_T *thread = static_cast<TASK_THREAD_T *>(malloc(sizeof(TASK_THREAD_T)));
    if (thread == nullptr) {
        return nullptr;
    }
    thread->run = nullptr;
    thread->context = nullptr;
    pthread_mutex_init(&thread->mutex, nullptr);
    pthread_cond_init(&thread->handed, nullptr);
    pthread_cond_init(&thread->finished, nullptr);
    // Detached, so nothing waits for it at exit; the block stays with it for the process's life.
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    // The new thread inherits the mask: stops are left to the threads that handle them.
    sigset_t stops;
    sigset_t before;
    stopSignals(&stops);
    pthread_sigmask(SIG_BLOCK, &stops, &before);
    pthread_t id;
    const int started = pthread_create(&id, &attributes, taskThreadMain, thread);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    pthread_attr_destroy(&attributes);
    if (started != 0) {
        pthread_cond_destroy(&thread->finished);
        pthread_cond_destroy(&thread->handed);
        pthread_mutex_destroy(&thread->mutex);
        free(thread);
        return nullptr;
    }
    return thread;
}

void handTask(TASK_THREAD_T *thread, void (*run)(void *context), void *context) {
    pthread_mutex_lock(&thread->mutex);
    thread->run = run;
    thread->context = context;
    pthread_mutex_unlock(&thread->mutex);
    pthread_cond_signal(&thread->handed);
}

void waitForTask(TASK_THREAD_T *thread) {
    pthread_mutex_lock(&thread->mutex);
    while (thread->run != nullptr) {
        pthread_cond_wait(&thread->finished, &thread->mutex);
    }
    pthread_mutex_unlock(&thread->mutex);
}

uint64_t monotonicMilliseconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u +
           static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

uint64_t monotonicNanoseconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

uint64_t peakMemory(void) {
    struct rusage usage;
    // Linux counts in kilobytes.
    return getrusage(RUSAGE_SELF, &usage) == 0 ? static_cast<uint64_t>(usage.ru_maxrss) * 1024 : 0;
}

uint64_t peakChildMemory(void) {
    struct rusage usage;
    return getrusage(RUSAGE_CHILDREN, &usage) == 0 ? static_cast<uint64_t>(usage.ru_maxrss) * 1024
                                                   : 0;
}

unsigned long processId(void) {
    return static_cast<unsigned long>(getpid());
}

char *runningProgramPath(void) {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) {
        return nullptr;
    }
    buffer[length] = '\0';
    return strdup(buffer);
}

void writeUntranslated(FILE *stream, const char *data, size_t size) {
    fwrite(data, 1, size, stream);
    fflush(stream);
}

const char *platformName(void) {
    return sizeof(void *) == 8 ? "posix 64" : "posix 32";
}

void reuseLargeBlocks(size_t largest) {
#if defined(__GLIBC__)
    // glibc maps blocks over its threshold on their own and unmaps them when freed, and gives
    // back a heap top over its trim threshold.
    const int bytes = largest < INT_MAX ? static_cast<int>(largest) : INT_MAX;
    mallopt(M_MMAP_THRESHOLD, bytes);
    mallopt(M_TRIM_THRESHOLD, bytes);
#else
    (void)largest;
#endif
}
