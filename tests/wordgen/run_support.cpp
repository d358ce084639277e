#include "run_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char **environ;

std::string expectedHeader(const WordPairs &words) {
    std::string text = "/* This file auto genareted */\n";
    for (const auto &w : words) {
        text += "NATIVEWORD(" + w.first + ");\n";
    }
    text += "\n#ifdef _NATIVEWORD_TABEL_SET_\nNATIVE_WORD_LIST_T g_native_word_table[]= {\n";
    for (const auto &w : words) {
        text += " {\"" + w.second + "\", " + w.first + "},\n";
    }
    return text + "};\n#endif\n";
}

void writeFile(const std::string &path, const std::string &content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
    ASSERT_TRUE(file.good()) << path;
}

std::string readFile(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool fileExists(const std::string &path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

RunResult runIn(const std::string &dir, const std::string &program,
                const std::vector<std::string> &args, const std::vector<std::string> &env) {
    std::string outPath = dir + ".stdout";
    std::string errPath = dir + ".stderr";

    std::vector<std::string> envText;
    for (char **e = environ; *e != nullptr; ++e) {
        envText.emplace_back(*e);
    }
    envText.insert(envText.end(), env.begin(), env.end());
    std::vector<char *> envp;
    for (auto &e : envText) {
        envp.push_back(&e[0]);
    }
    envp.push_back(nullptr);

    std::vector<std::string> argText{program};
    argText.insert(argText.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (auto &a : argText) {
        argv.push_back(&a[0]);
    }
    argv.push_back(nullptr);

    pid_t child = fork();
    if (child == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || chdir(dir.c_str()) != 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
            _exit(127);
        }
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    int wstatus = 0;
    RunResult result{-1, "", ""};
    if (child > 0 && waitpid(child, &wstatus, 0) == child && WIFEXITED(wstatus)) {
        result.status = WEXITSTATUS(wstatus);
    }
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return result;
}

void WordgenRun::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "wordgen-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    dir_ = pattern;
}

void WordgenRun::TearDown() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}
