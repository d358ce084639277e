// Running a built program in a folder and capturing what it prints.
#ifndef TESTS_SUPPORT_RUN_PROGRAM_H
#define TESTS_SUPPORT_RUN_PROGRAM_H

#include <signal.h>

#include <string>
#include <vector>

// Numbers for the signals the Windows C runtime does not name, so that tests can pass them to
// signalProgram and canSignalPrograms everywhere.
#ifndef SIGHUP
#define SIGHUP 1
#endif
#ifndef SIGKILL
#define SIGKILL 9
#endif

struct RUN_RESULT_T {
    int status;  // exit status, or -1 when the program did not exit normally
    int signal;  // the signal that ended it, 0 when it exited
    // What it printed, as text: the CR LF line ends of Windows' text streams read as LF.
    std::string out;
    std::string err;
};

// A program started and not yet waited for.
struct RUNNING_T {
    int pid;
    std::string captureDir;
};

// Runs argv[0] (a path) with argv in folder dir. Environment entries "NAME=value" are set on
// top of the test's own environment, "NAME" alone is unset. Standard input is empty.
RUN_RESULT_T runProgram(const std::vector<std::string> &argv, const std::string &dir,
                        const std::vector<std::string> &env = {});

// The same in two steps, for programs that must run at the same time or be signalled.
RUNNING_T startProgram(const std::vector<std::string> &argv, const std::string &dir,
                       const std::vector<std::string> &env = {});
RUN_RESULT_T finishProgram(const RUNNING_T &running);

// Sends signalNumber (SIGTERM, SIGINT, ...) to a started program; false when it could not.
bool signalProgram(const RUNNING_T &running, int signalNumber);

// The POSIX shell, for tests that set a program's limits or streams up through it; empty where
// there is none (Windows).
std::string posixShell();

// Whether signalProgram can deliver signalNumber here. Always on POSIX systems; on Windows only
// SIGKILL (the process is terminated) and SIGINT (Ctrl-Break, when a console is shared).
bool canSignalPrograms(int signalNumber);

#endif
