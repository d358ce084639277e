// Running programs on Windows: CreateProcessA with the standard streams in files.
#include "tests/support/run_program.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>

#include <windows.h>

#include "tests/support/test_files.h"

namespace {

// What finishProgram needs of a started program beyond its id.
struct STARTED_T {
    HANDLE process;
    int killedWith;     // the signal signalProgram ended it with, 0 when none
    bool statusInFile;  // a Linux program under Wine: see withStatusKept
};

std::map<int, STARTED_T> g_started;

// The exit status TerminateProcess leaves, as a POSIX shell reports a SIGKILL.
const UINT KILLED_STATUS = 128 + 9;

// One argument as the C runtime's command-line parser splits it back: quoted when it holds a
// blank or a quote, backslashes doubled only before a quote.
std::string quoteArgument(const std::string &arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
        return arg;
    }
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            backslashes++;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

bool sameName(const std::string &entry, const std::string &name) {
    return entry.size() > name.size() && entry[name.size()] == '=' &&
           _strnicmp(entry.c_str(), name.c_str(), name.size()) == 0;
}

// The test's environment with env applied ("NAME=value" sets, "NAME" unsets), as a block of
// NUL-terminated entries ending in an empty one.
std::string environmentBlock(const std::vector<std::string> &env) {
    std::vector<std::string> entries;
    char *current = GetEnvironmentStringsA();
    for (const char *entry = current; entry != nullptr && *entry != '\0';
         entry += strlen(entry) + 1) {
        entries.push_back(entry);
    }
    FreeEnvironmentStringsA(current);
    for (const std::string &change : env) {
        const size_t equals = change.find('=');
        const std::string name = change.substr(0, equals);
        for (size_t i = entries.size(); i-- > 0;) {
            // Names such as "=C:" (a drive's folder) start with '='; never match them.
            if (entries[i][0] != '=' && sameName(entries[i], name)) {
                entries.erase(entries.begin() + static_cast<long>(i));
            }
        }
        if (equals != std::string::npos) {
            entries.push_back(change);
        }
    }
    std::string block;
    for (const std::string &entry : entries) {
        block += entry;
        block += '\0';
    }
    block += '\0';
    return block;
}

HANDLE openInherited(const std::string &path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The status and signal a POSIX wait would report for a Windows exit code: an exception code
// is the matching signal.
void describeExit(DWORD code, int killedWith, RUN_RESULT_T *result) {
    if (killedWith != 0 && code == KILLED_STATUS) {
        result->signal = killedWith;
        return;
    }
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_STACK_OVERFLOW:
        case EXCEPTION_IN_PAGE_ERROR:
            result->signal = SIGSEGV;
            return;
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_FLT_DIVIDE_BY_ZERO:
            result->signal = SIGFPE;
            return;
        case EXCEPTION_ILLEGAL_INSTRUCTION:
            result->signal = SIGILL;
            return;
        default:
            result->status = (code & 0xC0000000u) == 0xC0000000u ? -1 : static_cast<int>(code);
            if (result->status == -1) {
                result->signal = SIGABRT;
            }
    }
}

// A Linux program, which Wine starts as well as a Windows one.
bool isLinuxProgram(const std::string &path) {
    FILE *file = fopen(path.c_str(), "rb");
    char magic[4] = {};
    const bool read = file != nullptr && fread(magic, 1, sizeof magic, file) == sizeof magic;
    if (file != nullptr) {
        fclose(file);
    }
    return read && memcmp(magic,
                          "\x7F"
                          "ELF",
                          4) == 0;
}

// Under Wine a Linux program's exit status is lost on its way back, its handle does not wait for
// its end, and it writes to Wine's own standard streams: the POSIX shell runs it with its
// streams in the capture files and then leaves its status there.
std::vector<std::string> withStatusKept(const std::vector<std::string> &argv,
                                        const std::string &captureDir) {
    const std::string at = "'" + captureDir + "/";
    std::vector<std::string> wrapped = {"/bin/sh", "-c",
                                        "\"$0\" \"$@\" </dev/null >" + at + "stdout' 2>" + at +
                                            "stderr'; echo $? >" + at + "status.new' && mv " + at +
                                            "status.new' " + at + "status'"};
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    return wrapped;
}

}  // namespace

RUNNING_T startProgram(const std::vector<std::string> &givenArgv, const std::string &dir,
                       const std::vector<std::string> &env) {
    RUNNING_T running;
    running.pid = -1;
    running.captureDir = makeTempDir("run-capture");
    const bool statusInFile = isLinuxProgram(givenArgv[0]);
    const std::vector<std::string> argv =
        statusInFile ? withStatusKept(givenArgv, running.captureDir) : givenArgv;
    // The program's path from our own folder, before the child starts in dir.
    char program[MAX_PATH];
    const DWORD length = GetFullPathNameA(argv[0].c_str(), sizeof program, program, nullptr);
    if (length == 0 || length >= sizeof program) {
        return running;
    }
    std::string commandLine;
    for (const std::string &arg : argv) {
        commandLine += (commandLine.empty() ? "" : " ") + quoteArgument(arg);
    }
    std::string environment = environmentBlock(env);
    const HANDLE in = openInherited("NUL", GENERIC_READ, OPEN_EXISTING);
    const HANDLE out = openInherited(running.captureDir + "/stdout", GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE err = openInherited(running.captureDir + "/stderr", GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process = {};
    // A process group of its own, so that Ctrl-Break can be sent to it alone.
    if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
        CreateProcessA(program, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP,
                       &environment[0], dir.c_str(), &startup, &process)) {
        CloseHandle(process.hThread);
        running.pid = static_cast<int>(process.dwProcessId);
        g_started[running.pid] = {process.hProcess, 0, statusInFile};
    }
    for (const HANDLE handle : {in, out, err}) {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
    return running;
}

RUN_RESULT_T finishProgram(const RUNNING_T &running) {
    RUN_RESULT_T result = {-1, 0, "", ""};
    const auto started = g_started.find(running.pid);
    if (started != g_started.end()) {
        DWORD code = 0;
        if (WaitForSingleObject(started->second.process, INFINITE) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(started->second.process, &code)) {
            describeExit(code, started->second.killedWith, &result);
        }
        if (started->second.statusInFile) {
            const std::string statusPath = running.captureDir + "/status";
            for (int waited = 0; waited < 600000 && !fileExists(statusPath); waited += 10) {
                Sleep(10);
            }
            const std::string kept = readFile(statusPath);
            result.status = kept.empty() ? -1 : atoi(kept.c_str());
            result.signal = 0;
        }
        CloseHandle(started->second.process);
        g_started.erase(started);
    } else if (running.pid == -1) {
        result.status = 127;  // as a POSIX exec failure reports it
    }
    // The C runtime ends the lines of its text streams with CR LF.
    result.out = readText(running.captureDir + "/stdout");
    result.err = readText(running.captureDir + "/stderr");
    removeTree(running.captureDir);
    return result;
}

bool signalProgram(const RUNNING_T &running, int signalNumber) {
    const auto started = g_started.find(running.pid);
    if (started == g_started.end()) {
        return false;
    }
    if (signalNumber == SIGKILL) {
        if (!TerminateProcess(started->second.process, KILLED_STATUS)) {
            return false;
        }
        started->second.killedWith = SIGKILL;
        return true;
    }
    // Ctrl-Break is the one request another process can be sent; it needs a shared console.
    return (signalNumber == SIGINT || signalNumber == SIGBREAK) &&
           GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(running.pid)) != 0;
}

std::string posixShell() {
    return std::string();
}

bool canSignalPrograms(int signalNumber) {
    if (signalNumber == SIGKILL) {
        return true;
    }
    return (signalNumber == SIGINT || signalNumber == SIGBREAK) && GetConsoleWindow() != nullptr;
}

RUN_RESULT_T runProgram(const std::vector<std::string> &argv, const std::string &dir,
                        const std::vector<std::string> &env) {
    return finishProgram(startProgram(argv, dir, env));
}
