// Worker processes over CreateProcess: anonymous pipes for requests and answers, and two files
// in the temporary folder, deleted when the last handle closes, for the standard streams. A job
// object ends every worker when the starter ends, however it ends.
#include "platform/workers.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include <windows.h>

struct WORKER_T {
    HANDLE process;
    HANDLE requests;  // our end of its standard input
    HANDLE answers;   // our end of its answer channel
    HANDLE streams[2];
};

namespace {

// Every worker running, for killWorkersNow from the console's stop handler.
enum { MAX_WORKERS = 256 };
HANDLE volatile g_worker_processes[MAX_WORKERS];
HANDLE g_job = nullptr;
volatile LONG g_stream_counter = 0;

void noteWorker(HANDLE process) {
    for (HANDLE volatile &slot : g_worker_processes) {
        if (slot == nullptr) {
            slot = process;
            return;
        }
    }
}

void forgetWorker(HANDLE process) {
    for (HANDLE volatile &slot : g_worker_processes) {
        if (slot == process) {
            slot = nullptr;
        }
    }
}

void closeIfOpen(HANDLE *handle) {
    if (*handle != nullptr && *handle != INVALID_HANDLE_VALUE) {
        CloseHandle(*handle);
    }
    *handle = nullptr;
}

// One argument as the C runtime's command-line parser reads it back.
void appendQuoted(std::string *line, const char *argument) {
    if (!line->empty()) {
        *line += ' ';
    }
    if (argument[0] != '\0' && strpbrk(argument, " \t\n\v\"") == nullptr) {
        *line += argument;
        return;
    }
    *line += '"';
    size_t backslashes = 0;
    for (const char *p = argument;; p++) {
        if (*p == '\\') {
            backslashes++;
            continue;
        }
        if (*p == '\0') {
            line->append(backslashes * 2, '\\');
            break;
        }
        if (*p == '"') {
            line->append(backslashes * 2 + 1, '\\');
        } else {
            line->append(backslashes, '\\');
        }
        backslashes = 0;
        *line += *p;
    }
    *line += '"';
}

// A file for one of the worker's streams: the worker writes through writer, which it
// inherits; we read through reader, whose position is our own. Gone with the last handle.
bool makeStreamFile(HANDLE *writer, HANDLE *reader) {
    char folder[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder - 40) {
        return false;
    }
    char name[MAX_PATH + 64];
    snprintf(name, sizeof name, "%spicconv-%lu-%ld.out", folder,
             static_cast<unsigned long>(GetCurrentProcessId()),
             static_cast<long>(InterlockedIncrement(&g_stream_counter)));
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    const DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    *writer = CreateFileA(name, GENERIC_WRITE, sharing, &inherited, CREATE_NEW,
                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (*writer == INVALID_HANDLE_VALUE) {
        *writer = nullptr;
        return false;
    }
    *reader = CreateFileA(name, GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (*reader == INVALID_HANDLE_VALUE) {
        *reader = nullptr;
        closeIfOpen(writer);
        return false;
    }
    return true;
}

// The job that ends the workers with us; made once.
HANDLE workerJob() {
    if (g_job == nullptr) {
        g_job = CreateJobObjectA(nullptr, nullptr);
        if (g_job != nullptr) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            SetInformationJobObject(g_job, JobObjectExtendedLimitInformation, &limits,
                                    sizeof limits);
        }
    }
    return g_job;
}

bool writeAll(HANDLE handle, const void *data, size_t size) {
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(handle, bytes, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes += written;
        size -= written;
    }
    return true;
}

// Whether the answer pipe has bytes, or has been closed (then also "ready": the read says so).
bool answerReady(HANDLE answers) {
    DWORD available = 0;
    if (!PeekNamedPipe(answers, nullptr, 0, nullptr, &available, nullptr)) {
        return true;
    }
    return available > 0;
}

}  // namespace

WORKER_T *startWorker(const char *const *arguments, int count) {
    char program[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
    if (length == 0 || length >= sizeof program) {
        errno = ENOENT;
        return nullptr;
    }
    WORKER_T *worker = static_cast<WORKER_T *>(calloc(1, sizeof(WORKER_T)));
    if (worker == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE childInput = nullptr;
    HANDLE childAnswers = nullptr;
    HANDLE childStreams[2] = {nullptr, nullptr};
    bool made = CreatePipe(&childInput, &worker->requests, &inherited, 0) &&
                CreatePipe(&worker->answers, &childAnswers, &inherited, 0) &&
                makeStreamFile(&childStreams[0], &worker->streams[0]) &&
                makeStreamFile(&childStreams[1], &worker->streams[1]);
    // Our own ends stay ours: a later worker must not inherit them.
    made = made && SetHandleInformation(worker->requests, HANDLE_FLAG_INHERIT, 0) &&
           SetHandleInformation(worker->answers, HANDLE_FLAG_INHERIT, 0);
    std::string line;
    appendQuoted(&line, program);
    for (int i = 0; i < count; i++) {
        appendQuoted(&line, arguments[i]);
    }
    char channel[32];
    snprintf(channel, sizeof channel, "%llu",
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(childAnswers)));
    appendQuoted(&line, channel);
    PROCESS_INFORMATION started = {};
    if (made) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childInput;
        startup.hStdOutput = childStreams[0];
        startup.hStdError = childStreams[1];
        std::string writable = line;
        made = CreateProcessA(program, &writable[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                              nullptr, nullptr, &startup, &started) != 0;
    }
    closeIfOpen(&childInput);
    closeIfOpen(&childAnswers);
    closeIfOpen(&childStreams[0]);
    closeIfOpen(&childStreams[1]);
    if (!made) {
        closeIfOpen(&worker->requests);
        closeIfOpen(&worker->answers);
        closeIfOpen(&worker->streams[0]);
        closeIfOpen(&worker->streams[1]);
        free(worker);
        errno = EAGAIN;
        return nullptr;
    }
    // In the job before it runs, so it cannot outlive us even for a moment.
    const HANDLE job = workerJob();
    if (job != nullptr) {
        AssignProcessToJobObject(job, started.hProcess);
    }
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);
    worker->process = started.hProcess;
    noteWorker(worker->process);
    return worker;
}

int sendToWorker(WORKER_T *worker, const void *data, size_t size) {
    return writeAll(worker->requests, data, size) ? 1 : 0;
}

int waitForWorkers(WORKER_T *const *workers, int count, int timeoutMs) {
    // Anonymous pipes cannot be waited on: look, then sleep a little.
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        for (int i = 0; i < count; i++) {
            if (answerReady(workers[i]->answers)) {
                return i;
            }
        }
        if (timeoutMs >= 0 && GetTickCount64() - start >= static_cast<ULONGLONG>(timeoutMs)) {
            return -1;
        }
        Sleep(1);
    }
}

long receiveFromWorker(WORKER_T *worker, void *buffer, size_t size) {
    DWORD available = 0;
    if (!PeekNamedPipe(worker->answers, nullptr, 0, nullptr, &available, nullptr)) {
        return 0;
    }
    if (available == 0) {
        return -1;
    }
    const DWORD wanted = available < size ? available : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!ReadFile(worker->answers, buffer, wanted, &got, nullptr)) {
        return 0;
    }
    return static_cast<long>(got);
}

uint64_t workerStreamSize(WORKER_T *worker, WORKER_STREAM_T stream) {
    LARGE_INTEGER size;
    return GetFileSizeEx(worker->streams[stream], &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

size_t readWorkerStream(WORKER_T *worker, WORKER_STREAM_T stream, uint64_t from, uint64_t to,
                        char *buffer) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(from);
    if (!SetFilePointerEx(worker->streams[stream], position, nullptr, FILE_BEGIN)) {
        return 0;
    }
    size_t got = 0;
    while (from + got < to) {
        const uint64_t left = to - from - got;
        const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
        DWORD read = 0;
        if (!ReadFile(worker->streams[stream], buffer + got, chunk, &read, nullptr) || read == 0) {
            break;
        }
        got += read;
    }
    return got;
}

void askWorkerToEnd(WORKER_T *worker) {
    closeIfOpen(&worker->requests);
}

void stopWorker(WORKER_T *worker, WORKER_END_T *end) {
    closeIfOpen(&worker->requests);
    // A worker told to end (its requests closed) gets a moment to release its plug-in.
    if (WaitForSingleObject(worker->process, 200) != WAIT_OBJECT_0) {
        TerminateProcess(worker->process, 1);
        WaitForSingleObject(worker->process, INFINITE);
    }
    DWORD code = 0;
    GetExitCodeProcess(worker->process, &code);
    forgetWorker(worker->process);
    if (end != nullptr) {
        // Exceptions end a process with their code, NTSTATUS errors all having the top bits set.
        end->crashed = (code & 0xC0000000u) == 0xC0000000u;
        if (end->crashed) {
            snprintf(end->description, sizeof end->description, "exception 0x%08lX",
                     static_cast<unsigned long>(code));
        } else {
            snprintf(end->description, sizeof end->description, "exit status %lu",
                     static_cast<unsigned long>(code));
        }
    }
    closeIfOpen(&worker->process);
    closeIfOpen(&worker->answers);
    closeIfOpen(&worker->streams[0]);
    closeIfOpen(&worker->streams[1]);
    free(worker);
}

void killWorkersNow(void) {
    for (HANDLE volatile &slot : g_worker_processes) {
        const HANDLE process = slot;
        if (process != nullptr) {
            TerminateProcess(process, 1);
        }
    }
    for (HANDLE volatile &slot : g_worker_processes) {
        const HANDLE process = slot;
        if (process != nullptr) {
            WaitForSingleObject(process, 2000);
            slot = nullptr;
        }
    }
}

uintptr_t openAnswerChannel(const char *text) {
    char *end = nullptr;
    const unsigned long long value = strtoull(text, &end, 10);
    if (end == text || *end != '\0' || value == 0) {
        return 0;
    }
    const HANDLE handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
    if (GetFileType(handle) != FILE_TYPE_PIPE) {
        return 0;
    }
    // Not for the plug-ins' children, if they start any.
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    return static_cast<uintptr_t>(value);
}

int sendAnswer(uintptr_t channel, const void *data, size_t size) {
    return writeAll(reinterpret_cast<HANDLE>(channel), data, size) ? 1 : 0;
}

int receiveRequest(void *buffer, size_t size) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char *bytes = static_cast<char *>(buffer);
    while (size > 0) {
        const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD got = 0;
        if (!ReadFile(input, bytes, chunk, &got, nullptr) || got == 0) {
            return 0;
        }
        bytes += got;
        size -= got;
    }
    return 1;
}

uint64_t standardStreamPosition(WORKER_STREAM_T stream) {
    const HANDLE handle =
        GetStdHandle(stream == WORKER_OUTPUT ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER position;
    return SetFilePointerEx(handle, zero, &position, FILE_CURRENT)
               ? static_cast<uint64_t>(position.QuadPart)
               : 0;
}

void endWithStarter(void) {
    // The starter's job object ends its workers; nothing to do here.
}
