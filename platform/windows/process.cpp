// The process-level calls of platform/process.h on Win32.
#include "platform/process.h"

#include <fcntl.h>
#include <io.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>

#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

namespace {

void (*volatile g_on_stop)(void) = nullptr;

// Held between holdStopRequests and releaseStopRequests; a stop waits for it.
CRITICAL_SECTION g_stop_hold;
volatile LONG g_stop_hold_state = 0;  // 0 unmade, 1 being made, 2 ready

// The status a POSIX shell reports for the matching signal: 128 + its number.
const int STATUS_INTERRUPT = 128 + 2;
const int STATUS_HANG_UP = 128 + 1;
const int STATUS_TERMINATE = 128 + 15;

void prepareStopHold() {
    if (InterlockedCompareExchange(&g_stop_hold_state, 1, 0) == 0) {
        InitializeCriticalSection(&g_stop_hold);
        InterlockedExchange(&g_stop_hold_state, 2);
    }
    while (g_stop_hold_state != 2) {
        Sleep(0);
    }
}

void stopNow(int status) {
    prepareStopHold();
    EnterCriticalSection(&g_stop_hold);
    void (*onStop)(void) = g_on_stop;
    if (onStop != nullptr) {
        onStop();
    }
    _exit(status);
}

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI onConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            stopNow(STATUS_INTERRUPT);
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            stopNow(STATUS_HANG_UP);
            return TRUE;
        default:
            return FALSE;
    }
}

void onTerminateSignal(int signalNumber) {
    (void)signalNumber;
    stopNow(STATUS_TERMINATE);
}

// The one byte the run lock holds. Windows locks are mandatory, so the byte lies far past any
// picture, never in its data.
OVERLAPPED lockedByte() {
    OVERLAPPED where = {};
    where.Offset = 0xFFFFFFFEu;
    where.OffsetHigh = 0x7FFFFFFFu;
    return where;
}

// Locks the run lock's byte of the open file for the rest of the process; the handle stays open.
int lockHandleForProcess(HANDLE handle) {
    OVERLAPPED where = lockedByte();
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &where)) {
        CloseHandle(handle);
        return 0;
    }
    return 1;
}

// Read access and full sharing, so that our own truncating writes and SDL's reads (which share
// reading only) still open the file.
HANDLE openLockFile(const char *path, DWORD extraFlags) {
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | extraFlags, nullptr);
}

}  // namespace

void setEnvironmentDefault(const char *name, const char *value) {
    if (getenv(name) != nullptr) {
        return;
    }
    // Both copies: the C runtime's, which getenv reads, and the process's, which libraries
    // that ask Windows directly read.
    SetEnvironmentVariableA(name, value);
    _putenv_s(name, value);
}

int lockFileForProcess(const char *path) {
    const HANDLE handle = openLockFile(path, 0);
    return handle != INVALID_HANDLE_VALUE ? lockHandleForProcess(handle) : 0;
}

int lockRegularFileForProcess(const char *path) {
    // The link itself is opened, never what it leads to, and then refused.
    const HANDLE handle = openLockFile(path, FILE_FLAG_OPEN_REPARSE_POINT);
    if (handle == INVALID_HANDLE_VALUE) {
        return 0;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        CloseHandle(handle);
        return 0;
    }
    return lockHandleForProcess(handle);
}

int isFileLockedForProcess(const char *path) {
    const HANDLE handle =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return 0;
    }
    // A lock through another handle conflicts with ours, in this process as in any other.
    OVERLAPPED where = lockedByte();
    int locked = 0;
    if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
        UnlockFileEx(handle, 0, 1, 0, &where);
    } else {
        locked = GetLastError() == ERROR_LOCK_VIOLATION ? 1 : 0;
    }
    CloseHandle(handle);
    return locked;
}

void installStopHandlers(void (*onStop)(void)) {
    prepareStopHold();
    g_on_stop = onStop;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    signal(SIGTERM, onTerminateSignal);
}

void holdStopRequests(void) {
    prepareStopHold();
    EnterCriticalSection(&g_stop_hold);
}

void releaseStopRequests(void) {
    LeaveCriticalSection(&g_stop_hold);
}

struct TASK_THREAD_T {
    HANDLE handed;    // auto-reset: a task waits to be run
    HANDLE finished;  // auto-reset: the task has returned
    void (*run)(void *context);
    void *context;
    bool pending;  // handed and not yet waited for; the handing thread's alone
};

namespace {

DWORD WINAPI taskThreadMain(LPVOID argument) {
    TASK_THREAD_T *thread = static_cast<TASK_THREAD_T *>(argument);
    for (;;) {
        WaitForSingleObject(thread->handed, INFINITE);
        thread->run(thread->context);
        SetEvent(thread->finished);
    }
}

}  // namespace

// Console stops arrive on a thread of their own on Windows: nothing to keep from this one. The
// process's end ends the thread where it waits.
TASK_THREAD_T *startTaskThread(void) {
    TASK_THREAD_T *thread = static_cast<TASK_THREAD_T *>(malloc(sizeof(TASK_THREAD_T)));
    if (thread == nullptr) {
        return nullptr;
    }
    thread->run = nullptr;
    thread->context = nullptr;
    thread->pending = false;
    thread->handed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    thread->finished = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE handle = nullptr;
    if (thread->handed != nullptr && thread->finished != nullptr) {
        handle = CreateThread(nullptr, 0, taskThreadMain, thread, 0, nullptr);
    }
    if (handle == nullptr) {
        if (thread->handed != nullptr) {
            CloseHandle(thread->handed);
        }
        if (thread->finished != nullptr) {
            CloseHandle(thread->finished);
        }
        free(thread);
        return nullptr;
    }
    CloseHandle(handle);
    return thread;
}

// Setting and waiting for an event order the memory around them, so the task sees what was
// written before it was handed, and the waiter what the task wrote.
void handTask(TASK_THREAD_T *thread, void (*run)(void *context), void *context) {
    thread->run = run;
    thread->context = context;
    thread->pending = true;
    SetEvent(thread->handed);
}

void waitForTask(TASK_THREAD_T *thread) {
    if (thread->pending) {
        WaitForSingleObject(thread->finished, INFINITE);
        thread->pending = false;
    }
}

uint64_t monotonicMilliseconds(void) {
    return GetTickCount64();
}

uint64_t monotonicNanoseconds(void) {
    LARGE_INTEGER count;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    const uint64_t ticks = static_cast<uint64_t>(count.QuadPart);
    const uint64_t perSecond = static_cast<uint64_t>(frequency.QuadPart);
    return ticks / perSecond * 1000000000u + ticks % perSecond * 1000000000u / perSecond;
}

uint64_t peakMemory(void) {
    PROCESS_MEMORY_COUNTERS counters;
    return K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)
               ? counters.PeakWorkingSetSize
               : 0;
}

uint64_t peakChildMemory(void) {
    return 0;
}

unsigned long processId(void) {
    return GetCurrentProcessId();
}

char *runningProgramPath(void) {
    char buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) {
        return nullptr;
    }
    return _strdup(buffer);
}

void writeUntranslated(FILE *stream, const char *data, size_t size) {
    fflush(stream);
    const int mode = _setmode(_fileno(stream), _O_BINARY);
    fwrite(data, 1, size, stream);
    fflush(stream);
    if (mode != -1) {
        _setmode(_fileno(stream), mode);
    }
}

const char *platformName(void) {
    return sizeof(void *) == 8 ? "windows 64" : "windows 32";
}

void reuseLargeBlocks(size_t largest) {
    // The Windows heap has no such setting; it keeps its own large-block policy.
    (void)largest;
}
