// Runs the built wordgen in a temporary folder and reads back what it left there.
#ifndef WORDGEN_TESTS_RUN_SUPPORT_H
#define WORDGEN_TESTS_RUN_SUPPORT_H

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

struct RunResult {
    int status;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// (function name, word) in table order.
using WordPairs = std::vector<std::pair<std::string, std::string>>;

// The header's text written out by hand, as a reference that does not share the writer's code.
std::string expectedHeader(const WordPairs &words);

void writeFile(const std::string &path, const std::string &content);
std::string readFile(const std::string &path);
bool fileExists(const std::string &path);

// Runs program with args in dir; env entries ("NAME=value") are added to the environment.
RunResult runIn(const std::string &dir, const std::string &program,
                const std::vector<std::string> &args, const std::vector<std::string> &env = {});

// A fresh folder per test, removed afterwards.
class WordgenRun : public ::testing::Test {
   protected:
    void SetUp() override;
    void TearDown() override;

    std::string path(const std::string &name) const { return dir_ + "/" + name; }
    void write(const std::string &name, const std::string &content) {
        writeFile(path(name), content);
    }
    std::string read(const std::string &name) const { return readFile(path(name)); }
    bool exists(const std::string &name) const { return fileExists(path(name)); }
    RunResult wordgen(const std::vector<std::string> &args) {
        return runIn(dir_, WORDGEN_PATH, args);
    }

    std::string dir_;
};

#endif
