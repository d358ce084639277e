#include "platform/workers.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/descriptors.h"

struct WORKER_T {
    pid_t pid;
    int requests;  // our end of its standard input
    int answers;   // our end of its answer channel
    int streams[2];
    bool ended;
    int waitStatus;
};

namespace {

// Every worker running, for killWorkersNow in a signal handler.
enum { MAX_WORKERS = 256, STOP_GRACE_TRIES = 200 };
volatile pid_t g_worker_pids[MAX_WORKERS];

void noteWorker(pid_t pid) {
    for (volatile pid_t &slot : g_worker_pids) {
        if (slot == 0) {
            slot = pid;
            return;
        }
    }
}

void forgetWorker(pid_t pid) {
    for (volatile pid_t &slot : g_worker_pids) {
        if (slot == pid) {
            slot = 0;
        }
    }
}

// A file nobody else can open, gone when the last descriptor closes.
int anonymousFile() {
    const char *folder = getenv("TMPDIR");
    if (folder == nullptr || folder[0] == '\0') {
        folder = "/tmp";
    }
    const int descriptor = open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor >= 0) {
        return descriptor;
    }
    char name[PATH_MAX];
    snprintf(name, sizeof name, "%s/picconv-worker-XXXXXX", folder);
    const int made = mkostemp(name, O_CLOEXEC);
    if (made >= 0) {
        unlink(name);
    }
    return made;
}

void closeAll(int *descriptors, int count) {
    for (int i = 0; i < count; i++) {
        if (descriptors[i] >= 0) {
            close(descriptors[i]);
        }
    }
}

void describeEnd(int status, WORKER_END_T *end) {
    end->crashed = false;
    if (WIFSIGNALED(status)) {
        const int number = WTERMSIG(status);
        end->crashed = number == SIGSEGV || number == SIGBUS || number == SIGILL ||
                       number == SIGFPE || number == SIGABRT || number == SIGSYS ||
                       number == SIGTRAP;
        const char *name = strsignal(number);
        snprintf(end->description, sizeof end->description, "signal %d, %s", number,
                 name != nullptr ? name : "unknown");
    } else {
        snprintf(end->description, sizeof end->description, "exit status %d",
                 WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
}

}  // namespace

WORKER_T *startWorker(const char *const *arguments, int count) {
    // A worker that has gone must show as a failed write, never end the starter.
    signal(SIGPIPE, SIG_IGN);
    char program[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length <= 0) {
        return nullptr;
    }
    program[length] = '\0';
    int requestPipe[2] = {-1, -1};
    int answerPipe[2] = {-1, -1};
    int streams[2] = {anonymousFile(), anonymousFile()};
    if (pipe2(requestPipe, O_CLOEXEC) != 0 || pipe2(answerPipe, O_CLOEXEC) != 0 || streams[0] < 0 ||
        streams[1] < 0) {
        const int error = errno;
        closeAll(requestPipe, 2);
        closeAll(answerPipe, 2);
        closeAll(streams, 2);
        errno = error;
        return nullptr;
    }
    char channel[32];
    snprintf(channel, sizeof channel, "%d", answerPipe[1]);
    char **argv = static_cast<char **>(calloc(static_cast<size_t>(count) + 3, sizeof(char *)));
    WORKER_T *worker = static_cast<WORKER_T *>(calloc(1, sizeof(WORKER_T)));
    if (argv == nullptr || worker == nullptr) {
        free(argv);
        free(worker);
        closeAll(requestPipe, 2);
        closeAll(answerPipe, 2);
        closeAll(streams, 2);
        errno = ENOMEM;
        return nullptr;
    }
    argv[0] = program;
    for (int i = 0; i < count; i++) {
        argv[i + 1] = const_cast<char *>(arguments[i]);
    }
    argv[count + 1] = channel;
    const pid_t starter = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // Only calls that are safe after fork from here to exec.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != starter) {
            _exit(127);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        dup2(requestPipe[0], 0);
        dup2(streams[0], 1);
        dup2(streams[1], 2);
        // The answer channel alone stays open across exec, at its own number.
        fcntl(answerPipe[1], F_SETFD, 0);
        execv(program, argv);
        _exit(127);
    }
    const int error = errno;
    free(argv);
    close(requestPipe[0]);
    close(answerPipe[1]);
    if (pid < 0) {
        close(requestPipe[1]);
        close(answerPipe[0]);
        closeAll(streams, 2);
        free(worker);
        errno = error;
        return nullptr;
    }
    noteWorker(pid);
    fcntl(answerPipe[0], F_SETFL, fcntl(answerPipe[0], F_GETFL) | O_NONBLOCK);
    worker->pid = pid;
    worker->requests = requestPipe[1];
    worker->answers = answerPipe[0];
    worker->streams[0] = streams[0];
    worker->streams[1] = streams[1];
    return worker;
}

int sendToWorker(WORKER_T *worker, const void *data, size_t size) {
    return writeAll(worker->requests, data, size) ? 1 : 0;
}

int waitForWorkers(WORKER_T *const *workers, int count, int timeoutMs) {
    struct pollfd stack[64];
    struct pollfd *polls =
        count <= 64 ? stack : static_cast<struct pollfd *>(malloc(sizeof(struct pollfd) * count));
    if (polls == nullptr) {
        return -1;
    }
    for (int i = 0; i < count; i++) {
        polls[i].fd = workers[i]->answers;
        polls[i].events = POLLIN;
        polls[i].revents = 0;
    }
    int ready = -1;
    int result;
    do {
        result = poll(polls, static_cast<nfds_t>(count), timeoutMs);
    } while (result < 0 && errno == EINTR);
    for (int i = 0; result > 0 && i < count; i++) {
        if (polls[i].revents != 0) {
            ready = i;
            break;
        }
    }
    if (polls != stack) {
        free(polls);
    }
    return ready;
}

long receiveFromWorker(WORKER_T *worker, void *buffer, size_t size) {
    for (;;) {
        const ssize_t got = read(worker->answers, buffer, size);
        if (got >= 0) {
            return static_cast<long>(got);
        }
        if (errno == EINTR) {
            continue;
        }
        return errno == EAGAIN || errno == EWOULDBLOCK ? -1 : 0;
    }
}

uint64_t workerStreamSize(WORKER_T *worker, WORKER_STREAM_T stream) {
    const off_t end = lseek(worker->streams[stream], 0, SEEK_END);
    return end > 0 ? static_cast<uint64_t>(end) : 0;
}

size_t readWorkerStream(WORKER_T *worker, WORKER_STREAM_T stream, uint64_t from, uint64_t to,
                        char *buffer) {
    return to > from ? readAllAt(worker->streams[stream], buffer, static_cast<size_t>(to - from),
                                 static_cast<off_t>(from))
                     : 0;
}

void askWorkerToEnd(WORKER_T *worker) {
    if (worker->requests >= 0) {
        close(worker->requests);
        worker->requests = -1;
    }
}

void stopWorker(WORKER_T *worker, WORKER_END_T *end) {
    askWorkerToEnd(worker);
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(worker->pid, &status, WNOHANG);
    } while (waited < 0 && errno == EINTR);
    // A worker told to end (its requests closed) gets a moment to release its plug-in.
    for (int tries = 0; waited == 0 && tries < STOP_GRACE_TRIES; tries++) {
        usleep(1000);
        waited = waitpid(worker->pid, &status, WNOHANG);
    }
    if (waited == 0) {
        kill(worker->pid, SIGKILL);
        while (waitpid(worker->pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    forgetWorker(worker->pid);
    if (end != nullptr) {
        describeEnd(status, end);
    }
    close(worker->answers);
    close(worker->streams[0]);
    close(worker->streams[1]);
    free(worker);
}

void killWorkersNow(void) {
    for (volatile pid_t &slot : g_worker_pids) {
        const pid_t pid = slot;
        if (pid > 0) {
            kill(pid, SIGKILL);
        }
    }
    // Gone before the starter is: none outlives it, not even for a moment.
    for (volatile pid_t &slot : g_worker_pids) {
        const pid_t pid = slot;
        if (pid > 0) {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
            slot = 0;
        }
    }
}

uintptr_t openAnswerChannel(const char *text) {
    char *end = nullptr;
    const long descriptor = strtol(text, &end, 10);
    if (end == text || *end != '\0' || descriptor < 3 || descriptor > INT_MAX ||
        fcntl(static_cast<int>(descriptor), F_GETFD) < 0) {
        return 0;
    }
    fcntl(static_cast<int>(descriptor), F_SETFD, FD_CLOEXEC);
    return static_cast<uintptr_t>(descriptor);
}

int sendAnswer(uintptr_t channel, const void *data, size_t size) {
    return writeAll(static_cast<int>(channel), data, size) ? 1 : 0;
}

int receiveRequest(void *buffer, size_t size) {
    char *bytes = static_cast<char *>(buffer);
    while (size > 0) {
        const ssize_t got = read(0, bytes, size);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return 0;
        }
        bytes += got;
        size -= static_cast<size_t>(got);
    }
    return 1;
}

uint64_t standardStreamPosition(WORKER_STREAM_T stream) {
    const off_t position = lseek(stream == WORKER_OUTPUT ? 1 : 2, 0, SEEK_CUR);
    return position > 0 ? static_cast<uint64_t>(position) : 0;
}

void endWithStarter(void) {
    // Set before exec as well; kept here for a worker started some other way.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}
