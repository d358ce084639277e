// The process-level calls of platform/process.h on Win32.
#include "platform/process.h"

#include <signal.h>
#include <stdlib.h>

#include <windows.h>

namespace {

void (*volatile g_on_stop)(void) = nullptr;

// The status a POSIX shell reports for the matching signal: 128 + its number.
const int STATUS_INTERRUPT = 128 + 2;
const int STATUS_HANG_UP = 128 + 1;
const int STATUS_TERMINATE = 128 + 15;

void stopNow(int status) {
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
    // Read access and full sharing, so that our own truncating writes and SDL's reads (which
    // share reading only) still open the file. The handle stays open for the rest of the
    // process, and the lock with it.
    const HANDLE handle =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return 0;
    }
    // Windows locks are mandatory: lock one byte far past any picture, never its data.
    OVERLAPPED where = {};
    where.Offset = 0xFFFFFFFEu;
    where.OffsetHigh = 0x7FFFFFFFu;
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &where)) {
        CloseHandle(handle);
        return 0;
    }
    return 1;
}

void installStopHandlers(void (*onStop)(void)) {
    g_on_stop = onStop;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    signal(SIGTERM, onTerminateSignal);
}
