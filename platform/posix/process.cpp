#include "platform/process.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
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
    if (descriptor < 0) {
        return 0;
    }
    while (flock(descriptor, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(descriptor);
            return 0;
        }
    }
    return 1;
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
    while (flock(descriptor, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(descriptor);
            return 0;
        }
    }
    return 1;
}

struct THREAD_T {
    pthread_t id;
    void (*run)(void *context);
    void *context;
};

namespace {

void *threadMain(void *argument) {
    THREAD_T *thread = static_cast<THREAD_T *>(argument);
    thread->run(thread->context);
    return nullptr;
}

}  // namespace

THREAD_T *startThread(void (*run)(void *context), void *context) {
    THREAD_T *thread = static_cast<THREAD_T *>(malloc(sizeof(THREAD_T)));
    if (thread == nullptr) {
        return nullptr;
    }
    thread->run = run;
    thread->context = context;
    // The new thread inherits the mask: stops are left to the threads that handle them.
    sigset_t stops;
    sigset_t before;
    stopSignals(&stops);
    pthread_sigmask(SIG_BLOCK, &stops, &before);
    const int started = pthread_create(&thread->id, nullptr, threadMain, thread);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (started != 0) {
        free(thread);
        return nullptr;
    }
    return thread;
}

void joinThread(THREAD_T *thread) {
    pthread_join(thread->id, nullptr);
    free(thread);
}

uint64_t monotonicMilliseconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u +
           static_cast<uint64_t>(now.tv_nsec) / 1000000u;
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
