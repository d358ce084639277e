#include "tests/support/run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/test_files.h"

RUNNING_T startProgram(const std::vector<std::string> &argv, const std::string &dir,
                       const std::vector<std::string> &env) {
    RUNNING_T running;
    running.captureDir = makeTempDir("run-capture");
    const std::string outPath = running.captureDir + "/stdout";
    const std::string errPath = running.captureDir + "/stderr";
    // Everything the child needs is made before fork: only exec-safe calls after it.
    std::vector<char *> args;
    for (const std::string &arg : argv) {
        args.push_back(const_cast<char *>(arg.c_str()));
    }
    args.push_back(nullptr);
    running.pid = fork();
    if (running.pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
            dup2(err, 2) < 0 || chdir(dir.c_str()) != 0) {
            _exit(127);
        }
        for (const std::string &entry : env) {
            const size_t equals = entry.find('=');
            if (equals == std::string::npos) {
                unsetenv(entry.c_str());
            } else {
                setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
            }
        }
        // A test run under a terminal's Ctrl-C must not pass an ignored signal on.
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        execv(args[0], args.data());
        _exit(127);
    }
    return running;
}

RUN_RESULT_T finishProgram(const RUNNING_T &running) {
    RUN_RESULT_T result = {-1, 0, "", ""};
    int raw = 0;
    if (running.pid > 0 && waitpid(running.pid, &raw, 0) == running.pid) {
        if (WIFEXITED(raw)) {
            result.status = WEXITSTATUS(raw);
        } else if (WIFSIGNALED(raw)) {
            result.signal = WTERMSIG(raw);
        }
    }
    result.out = readFile(running.captureDir + "/stdout");
    result.err = readFile(running.captureDir + "/stderr");
    removeTree(running.captureDir);
    return result;
}

bool signalProgram(const RUNNING_T &running, int signalNumber) {
    return running.pid > 0 && kill(running.pid, signalNumber) == 0;
}

std::string posixShell() {
    return "/bin/sh";
}

bool canSignalPrograms(int signalNumber) {
    (void)signalNumber;
    return true;
}

RUN_RESULT_T runProgram(const std::vector<std::string> &argv, const std::string &dir,
                        const std::vector<std::string> &env) {
    return finishProgram(startProgram(argv, dir, env));
}
